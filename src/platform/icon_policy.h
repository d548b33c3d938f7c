// Which icon the shell may be asked for, for a file or folder the program lists. The shell
// builds many icons from what a file says (a shortcut's icon location, a folder's desktop.ini,
// the IconFile line of a .url or .scf file) or by running the handler the registry names for
// the type; a file saying "\\server\share\x.ico" would have it connect to that server and offer
// the user's credentials on every scan. The window and the report companion both ask here.
#pragma once
#include <windows.h>

#include <string>

namespace zv {

enum class TIconSource {
    None,      // no request: the item gets the "no icon" picture
    Type,      // the icon of the type, the file not opened (SHGFI_USEFILEATTRIBUTES)
    Contents,  // the file's own icon, which the shell builds from its contents
};

struct TIconRequest {
    TIconSource source = TIconSource::None;
    DWORD attributes = 0;  // what the shell is told the file is, for a type's icon
};

// A file's own icon only for a local program, library or icon file that passes the path test,
// and for a shortcut only when every place the shell may draw its icon from does; the type's
// icon for a folder and a plain file; none for anything else: a path the program may not open
// (the first `ownPart` bytes being its own), a missing file, a file type whose icon comes from
// the file or from a handler the registry names, or whose registered icon lies elsewhere.
TIconRequest IconRequest(const std::string& path, size_t ownPart = 0);

}  // namespace zv

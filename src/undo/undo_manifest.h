// The manifest of an undo record: what one change of the window altered and what the record
// saved of it, as a small text file in the code page with one `name=value` line each.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/errors.h"

namespace zv {

// A record that cannot be written, read or taken back; the message says why.
class EUndoError : public EError {
public:
    using EError::EError;
};

// A file the change deleted, and its copy in the record.
struct TUndoFile {
    std::string Path;  // where it was, code-page text as the window named it
    std::string Copy;  // the copy's name inside the record's folder
    DWORD Attributes = 0;
    FILETIME Created{}, Accessed{}, Written{};
};

// A key, or some values of one key, that the record's registry file saves: what the undo
// checks the file against and takes back item by item. Paths are code-page text.
struct TUndoKey {
    enum class TMode {
        Tree,     // a key the change may erase, saved with everything below it
        Created,  // a key the change may create, missing when saved
        Values,   // values of one key that the change may set or delete
    };
    TMode Mode = TMode::Tree;
    HKEY Root = nullptr;
    std::string Path;     // the key the file names; for a created key the highest of it and its
                          // parents that was missing
    std::string Created;  // a created key: the key the change creates
    std::vector<std::string> Names;  // values: their names, "" for the default value
};

// A file of the record besides the manifest, with its size and SHA-256 when written.
struct TUndoPart {
    std::string Name;  // "registry.reg", "file1"…
    unsigned long long Size = 0;
    std::string Hash;  // 64 lowercase hexadecimal digits
};

// Taken back: not yet; begun (marked before anything is put back, so that a record is never
// applied twice, even when the mark of its end cannot be written); done.
enum class TUndoState { Done, Undoing, Undone };

struct TUndoManifest {
    std::string Time;    // local time of the change, "2026-12-08 07:14:24"
    std::string Action;  // as the window names it, "删除"
    std::string Entry;   // as the window showed it: code-page bytes, any of them
    // One line for each key or value the registry file of the record saves, as shown to the
    // user; none when the record has no registry file.
    std::vector<std::string> Registry;
    std::vector<TUndoKey> Keys;
    std::vector<TUndoFile> Files;
    std::vector<TUndoPart> Parts;
    TUndoState State = TUndoState::Done;
};

// The manifest's bytes. Every text is written with its control characters and "%" as "%XX",
// so that a line break in an entry's name cannot break the line, and every other byte as it is.
std::string FormatManifest(const TUndoManifest& manifest);

// The parts of a record inside its folder.
extern const wchar_t kManifestFileName[];  // manifest.txt
extern const wchar_t kRegistryFileName[];  // registry.reg, when the record saved keys or values

// Writes the manifest into a record's folder whole: under another name first, then renamed
// over the one there. Raises EUndoError when it cannot.
void WriteManifest(const std::wstring& folder, const TUndoManifest& manifest);

// Reads what FormatManifest wrote, exactly: raises EUndoError when a line is missing, unknown,
// malformed or out of place, and when the text does not end with the state line whole, as a
// manifest cut short would.
TUndoManifest ParseManifest(const std::string& text);

}  // namespace zv

#include "platform/cmdline.h"

#include <zarlib.h>

#include "platform/ansi_text.h"
#include "platform/handles.h"
#include "platform/icon_policy.h"
#include "platform/path_policy.h"
#include "platform/shell_api.h"

namespace zv {

namespace {

std::string ReadDirectory(UINT(WINAPI* read)(LPSTR, UINT))
{
    char buffer[1024] = {};
    const UINT len = read(buffer, sizeof(buffer));
    if (len < sizeof(buffer)) return std::string(buffer, strnlen(buffer, sizeof(buffer)));
    // A directory too long for the buffer reports the size it needs and leaves the buffer as it
    // was: read it again into one that fits rather than complete paths with an empty directory.
    std::string big(len, '\0');
    const UINT got = read(big.data(), len);
    big.resize(got < len ? got : 0);
    return big;
}

std::string AsciiLower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// A directory search treats these as wildcards; a real file name never holds one, so a name
// with one would otherwise "exist" whenever some other file matched the pattern. (The "\\?\"
// prefix, where a question mark belongs, names no path the program may open.)
bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// The last character, not the last byte: that can be the second byte of a double-byte
// character that merely equals a backslash, as in "乗" (81 5C).
bool EndsInBackslash(const std::string& name)
{
    return !name.empty() && AnsiLastDelimiter(name, "\\") == name.size() - 1;
}

// A name with a drive ("C:\x.dll", "C:x.dll") or from a root ("\x.dll") says where it lies:
// completing it with a directory would make a path that never existed ("C:\WINDOWS\system32\C:\x.dll").
bool NamesItsPlace(const std::string& name)
{
    const unsigned char first = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
    const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    return first == '\\' || (letter && name.size() > 1 && name[1] == ':');
}

// A rundll32 line may quote its library ("rundll32.exe "C:\My Libs\x.dll",Start"); the quotes
// belong to the line, not to the name, which is judged and completed without them.
std::string Unquoted(const std::string& candidate)
{
    const size_t first = candidate.find_first_not_of(' ');
    if (first == std::string::npos || candidate[first] != '"') return candidate;
    const size_t close = candidate.find('"', first + 1);
    if (close == std::string::npos || candidate.find_first_not_of(' ', close + 1) != std::string::npos) return candidate;
    return candidate.substr(first + 1, close - first - 1);
}

}  // namespace

std::string WindowsDirectory() { return ReadDirectory(GetWindowsDirectoryA); }
std::string SystemDirectory() { return ReadDirectory(GetSystemDirectoryA); }

bool FileExists(const std::string& name, size_t ownPart, TFileView view)
{
    if (name.empty() || EndsInBackslash(name) || HasWildcard(name) || !MayOpenPath(name, ownPart)) return false;
    WIN32_FIND_DATAA data;
    const TFileViewScope scope(view);
    TFindHandle find(ShellApi().FindFirstFile(PathInView(name, view).c_str(), &data));
    return find && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ExtractCommandFile(const std::string& commandLine, TFileView view)
{
    const std::string& s = commandLine;
    if (s.empty()) return {};
    std::string c = s;

    // A quote, a blank and a comma are never the trail byte of a double-byte character, so
    // the byte searches below cannot cut one in two.
    const size_t open = s.find('"');
    if (open != std::string::npos) {
        const size_t close = s.find('"', open + 1);
        c = close == std::string::npos ? std::string() : s.substr(open + 1, close - open - 1);
    }

    // A directory search is slow (a fifth of a millisecond under Wine), so a candidate that
    // was found here is not searched for a second time below.
    bool found = FileExists(c, 0, view);
    if (!found) {
        const char* path = GetFilePath(c.c_str());
        c = path ? path : "";
    }

    // Letters can be trail bytes: the search must not see "rundll32" in a double-byte
    // character's second half followed by "undll32".
    if (AnsiPos(AsciiLower(s), "rundll32") != std::string::npos) {
        const size_t space = s.find(' ');
        const size_t from = space == std::string::npos ? 0 : space + 1;
        const size_t comma = s.find(',', from);
        c = comma == std::string::npos ? std::string() : Unquoted(s.substr(from, comma - from));
        found = false;
    }

    // A network path is kept as it stands: it is what the line names, and it is neither
    // tested (above) nor turned into a local path the line never meant (here).
    // A full path is kept too: a missing file there is shown missing where the line put it.
    if (!found && !FileExists(c, 0, view) && PathRisk(c) != TPathRisk::Network && !NamesItsPlace(c)) {
        const std::string windows = WindowsDirectory();
        const std::string system = SystemDirectory();
        // The directories are the program's own, and may lie on a share: only c is judged.
        std::string w = windows + "\\" + c;
        if (!FileExists(w, windows.size() + 1, view)) w = system + "\\" + c;
        c = w;
    }
    return c;
}

// The shell fills as many bytes as it is told, in its own layout: packed to bytes in a 32-bit
// process, with the icon handle widened and the record padded to 8 bytes in a 64-bit one.
static_assert(sizeof(SHFILEINFOA) == (sizeof(void*) == 4 ? 352 : 360));

HICON GetFileSmallIcon(const std::string& name, size_t ownPart, TFileView view)
{
    // The program's own part keeps its length but where the system folder's name changed.
    const std::string path = PathInView(name, view);
    if (ownPart != 0) ownPart += path.size() - name.size();
    const TFileViewScope scope(view);
    const TIconRequest request = IconRequest(path, ownPart);
    if (request.source == TIconSource::None) return nullptr;
    UINT flags = SHGFI_ICON | SHGFI_SMALLICON;
    if (request.source == TIconSource::Type) flags |= SHGFI_USEFILEATTRIBUTES;
    SHFILEINFOA info{};
    // Wine fills the icon field from an uninitialised temporary when the call fails, so the
    // field is only trusted when the call succeeded (on Windows it is then zero anyway).
    if (!ShellApi().GetFileInfo(path.c_str(), request.attributes, &info, sizeof(info), flags)) return nullptr;
    return info.hIcon;
}

}  // namespace zv

#include "platform/cmdline.h"

#include <zarlib.h>

#include "platform/handles.h"
#include "platform/shell_api.h"

namespace zv {

namespace {

std::string ReadDirectory(UINT(WINAPI* read)(LPSTR, UINT))
{
    char buffer[1024] = {};
    const UINT len = read(buffer, sizeof(buffer));
    // A directory longer than the buffer reports the size it needs and writes nothing usable.
    if (len == 0 || len >= sizeof(buffer)) {
        std::string big(len ? len : 1, '\0');
        const UINT got = len ? read(big.data(), len) : 0;
        big.resize(got < len ? got : 0);
        return big;
    }
    return std::string(buffer, strnlen(buffer, sizeof(buffer)));
}

std::string AsciiLower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

}  // namespace

std::string WindowsDirectory() { return ReadDirectory(GetWindowsDirectoryA); }
std::string SystemDirectory() { return ReadDirectory(GetSystemDirectoryA); }

bool FileExists(const std::string& name)
{
    if (name.empty() || name.back() == '\\') return false;
    WIN32_FIND_DATAA data;
    TFindHandle find(FindFirstFileA(name.c_str(), &data));
    return find && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ExtractCommandFile(const std::string& commandLine)
{
    const std::string& s = commandLine;
    if (s.empty()) return {};
    std::string c = s;

    const size_t open = s.find('"');
    if (open != std::string::npos) {
        const size_t close = s.find('"', open + 1);
        c = close == std::string::npos ? std::string() : s.substr(open + 1, close - open - 1);
    }

    if (!FileExists(c)) {
        const char* path = GetFilePath(c.c_str());
        c = path ? path : "";
    }

    if (AsciiLower(s).find("rundll32") != std::string::npos) {
        const size_t space = s.find(' ');
        const size_t from = space == std::string::npos ? 0 : space + 1;
        const size_t comma = from <= s.size() ? s.find(',', from) : std::string::npos;
        c = comma == std::string::npos ? std::string() : s.substr(from, comma - from);
    }

    if (!FileExists(c)) {
        std::string w = WindowsDirectory() + "\\" + c;
        if (!FileExists(w)) w = SystemDirectory() + "\\" + c;
        c = w;
    }
    return c;
}

HICON GetFileSmallIcon(const std::string& path)
{
    SHFILEINFOA info{};
    // Wine fills the icon field from an uninitialised temporary when the call fails, so the
    // field is only trusted when the call succeeded (on Windows it is then zero anyway).
    if (!ShellApi().GetFileInfo(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON)) return nullptr;
    return info.hIcon;
}

}  // namespace zv

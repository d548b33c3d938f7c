#include "startup/startup_folders.h"

#include <windows.h>

#include <cstring>

#include "platform/ansi_text.h"

namespace zv {

namespace {

// The next backslash at or after `from` that is a character of its own, not the second byte
// of a double-byte character.
size_t NextBackslash(const std::string& text, size_t from)
{
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\' && IsCharStart(text, i)) return i;
    }
    return std::string::npos;
}

}  // namespace

std::string PathDrive(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const size_t serverEnd = NextBackslash(path, 2);
        if (serverEnd == std::string::npos) return path;
        return path.substr(0, NextBackslash(path, serverEnd + 1));
    }
    return {};
}

TStartupFolders StartupFolderPaths(const std::string& drive, const std::string& userName)
{
    return TStartupFolders{
        drive + "\\Documents and Settings\\" + userName + "\\「开始」菜单\\程序\\启动",
        drive + "\\Documents and Settings\\All Users\\「开始」菜单\\程序\\启动",
        drive + "\\WINDOWS\\Start Menu\\Programs\\启动",
    };
}

std::string CurrentUserName()
{
    char name[257] = {};
    DWORD size = 256;
    // A name too long for the buffer leaves it empty rather than half-read.
    if (!GetUserNameA(name, &size)) return {};
    return std::string(name, strnlen(name, sizeof(name)));
}

}  // namespace zv

#include "startup/startup_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <optional>

#include "platform/ansi_text.h"
#include "platform/handles.h"
#include "platform/unicode_text.h"

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

struct TDirectoryId {
    DWORD Volume, IndexHigh, IndexLow;
};

std::optional<TDirectoryId> DirectoryId(const std::string& path)
{
    // Backup semantics open a directory; no access right is needed to ask for its identity.
    const TKernelHandle dir(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!dir || !GetFileInformationByHandle(dir.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    return TDirectoryId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
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

std::string ShellStartupFolder(int csidl)
{
    // The call writes at most MAX_PATH characters: the last one stays the terminator. A folder
    // whose name the code page cannot hold reads with "?" in it and opens as nothing.
    wchar_t path[MAX_PATH + 1] = {};
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
    std::string folder = WideToAnsi(path);
    // The scan appends its own backslash.
    if (folder.size() > 3 && folder.back() == '\\' && IsCharStart(folder, folder.size() - 1)) folder.pop_back();
    return folder;
}

bool SameDirectory(const std::string& a, const std::string& b)
{
    const std::optional<TDirectoryId> first = DirectoryId(a);
    const std::optional<TDirectoryId> second = DirectoryId(b);
    return first && second && first->Volume == second->Volume && first->IndexHigh == second->IndexHigh &&
           first->IndexLow == second->IndexLow;
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

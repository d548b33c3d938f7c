// Where the startup folders are: on the drive of the Windows directory, by the folder names of
// a Chinese-language system.
#pragma once
#include <string>

namespace zv {

// The drive part of a path: "D:" for a drive letter, "\\server\share" for a network path,
// otherwise empty.
std::string PathDrive(const std::string& path);

// The three startup folders in the order they are scanned, without a trailing backslash.
struct TStartupFolders {
    std::string currentUser;
    std::string allUsers;
    std::string windowsStartMenu;
};
TStartupFolders StartupFolderPaths(const std::string& drive, const std::string& userName);

// A startup folder as the shell names it (CSIDL_STARTUP, CSIDL_COMMON_STARTUP): on a Chinese XP
// the first two above, on later Windows folders of their own. Empty when the shell names none.
std::string ShellStartupFolder(int csidl);

// Whether two paths name one existing directory, however they are spelt and whatever junction
// leads there: the same volume and file index. False when either cannot be opened.
bool SameDirectory(const std::string& a, const std::string& b);

// The user who runs the program, as GetUserNameA gives it; empty when it fails.
std::string CurrentUserName();

}  // namespace zv

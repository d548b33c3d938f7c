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

// The user who runs the program, as GetUserNameA gives it; empty when it fails.
std::string CurrentUserName();

}  // namespace zv

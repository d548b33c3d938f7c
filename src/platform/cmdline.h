// Command line to file, and a file's small shell icon.
#pragma once
#include <windows.h>

#include <string>

namespace zv {

// True when a directory search finds the name and it is not a directory; false for an empty
// name, a name ending in a backslash and a name holding a wildcard. Relative names count from
// the current directory.
bool FileExists(const std::string& name);

// The path of the file a command line runs: the first quoted stretch, else what zarlib's
// GetFilePath makes of it; a rundll32 line gives its library; a bare name is completed with
// the Windows directory, else the system directory. Empty for an empty line.
std::string ExtractCommandFile(const std::string& commandLine);

// The shell's small icon for the file or folder, owned by the caller; null when none.
HICON GetFileSmallIcon(const std::string& path);

// The Windows and system directories, read afresh, without a trailing backslash.
std::string WindowsDirectory();
std::string SystemDirectory();

}  // namespace zv

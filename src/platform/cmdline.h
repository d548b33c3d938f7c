// Command line to file, and a file's small shell icon.
#pragma once
#include <windows.h>

#include <string>

#include "platform/file_view.h"

namespace zv {

// True when a directory search finds the name and it is not a directory; false for an empty
// name, a name ending in a backslash, a name holding a wildcard and a name the program may not
// open (a network path or a device name, see MayOpenPath; the first `ownPart` bytes are the
// program's own), which no call is made for. Relative names count from the current directory.
// The file is looked for as a process of `view` sees it.
bool FileExists(const std::string& name, size_t ownPart = 0, TFileView view = TFileView::Native);

// The path of the file a command line runs: the first quoted stretch, else what zarlib's
// GetFilePath makes of it; a rundll32 line gives its library; a bare name is completed with
// the Windows directory, else the system directory. A network path is taken as it stands,
// never tested nor completed. Empty for an empty line. Candidates are tested in `view`.
std::string ExtractCommandFile(const std::string& commandLine, TFileView view = TFileView::Native);

// The shell's small icon for the file or folder, owned by the caller, asked for as IconRequest
// allows (the first `ownPart` bytes being the program's own); null when none, and when the
// shell may not be asked at all. The file as a process of `view` sees it.
HICON GetFileSmallIcon(const std::string& path, size_t ownPart = 0, TFileView view = TFileView::Native);

// The Windows and system directories, read afresh, without a trailing backslash.
std::string WindowsDirectory();
std::string SystemDirectory();

}  // namespace zv

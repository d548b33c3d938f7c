// Program-wide paths and process settings.
#pragma once
#include <string>

namespace zv {

// The directory of the running program: no trailing backslash, except at a drive's root.
extern std::string AppDir;

// Sets AppDir from the running executable's path. Called once, before the main window exists.
void InitPaths();

// What both programs set before they read a single path: a scanned path on an empty floppy,
// CD or card-reader drive fails at once instead of stopping on the system's "no disk" box.
void SetQuietErrorMode();

// The directory part of a full path as AppDir keeps it (exposed for tests).
std::string DirectoryOfPath(const std::string& fullPath);

}  // namespace zv

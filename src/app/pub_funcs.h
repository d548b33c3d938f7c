// Program-wide paths.
#pragma once
#include <string>

namespace zv {

// The directory of the running program: no trailing backslash, except at a drive's root.
extern std::string AppDir;

// Sets AppDir from the running executable's path. Called once, before the main window exists.
void InitPaths();

// The directory part of a full path as AppDir keeps it (exposed for tests).
std::string DirectoryOfPath(const std::string& fullPath);

}  // namespace zv

// Where the report's texts go: standard output and standard error.
#pragma once
#include <windows.h>

#include <string>

namespace zv {

enum class TTextEncoding { Ansi, Utf8 };

// Writes text to STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. A file or a pipe gets the bytes as
// they are; a console gets the characters, so that they show right whatever its code page.
// False when the handle is missing or the write fails.
bool WriteStandard(DWORD which, const std::string& text, TTextEncoding encoding);

}  // namespace zv

// Whole files read and written by their UTF-16 names, and the system's words for an error.
#pragma once
#include <windows.h>

#include <string>

namespace zv {

// Every byte to an open file; false with the system's error code in `error` on failure.
bool WriteAll(HANDLE file, const std::string& bytes, DWORD& error);

// The whole content of a file; false with the system's error code in `error` on failure.
bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD& error);

// A file that must not exist yet, created with exactly these bytes and flushed to the disk;
// false with the system's error code in `error` when it cannot be, and then no part of it is
// left.
bool WriteNewFile(const std::wstring& path, const std::string& bytes, DWORD& error);

// The system's message for an error code, as code-page text without the closing line break.
std::string SystemErrorText(DWORD error);

}  // namespace zv

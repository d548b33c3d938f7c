// Whole files read and written by their UTF-16 names, and the system's words for an error.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace zv {

// Every byte to an open file; false with the system's error code in `error` on failure.
bool WriteAll(HANDLE file, const std::string& bytes, DWORD& error);

// The whole content of a file; false with the system's error code in `error` on failure.
bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD& error);

// A file that must not exist yet, created with exactly these bytes and flushed to the disk;
// false with the system's error code in `error` when it cannot be, and then no part of it is
// left.
bool WriteNewFile(const std::wstring& path, const std::string& bytes, DWORD& error);

// Whether the path functions would drop something from the end of the path's last component:
// they trim trailing dots and blanks, so "a.exe." is opened and deleted as "a.exe".
bool EndsTrimmed(const std::string& path);

// Whether `name`, as FindFirstFileA lists the entries of `folder` (which ends in a backslash),
// names exactly one of them and names it exactly (see NamesOneEntry), and is not trimmed on
// its way to the file. False when the folder is there and cannot be listed.
bool NamesOneFolderEntry(const std::string& folder, const std::string& name);

// The system's message for an error code, as code-page text without the closing line break.
std::string SystemErrorText(DWORD error);

}  // namespace zv

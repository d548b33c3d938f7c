// zarlib: the maker's helper library, imported by Zorvane at load time.
#pragma once
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Gets the file path out of a command-line candidate that is not an existing file.
// Returns a NUL-terminated ANSI string that stays valid until the next call on the same
// thread; the caller copies it and never frees it. Never returns null.
const char* WINAPI GetFilePath(const char* candidate);

// Writes the command line that the startup entry at `path` starts into `buffer`: at most
// `size` bytes of text and a terminating NUL, so `buffer` must hold size + 1 bytes. A longer
// line keeps its target whole and loses the end of its arguments; when the target alone does
// not fit, nothing is written. Returns the length written, 0 when there is nothing to vouch for.
int WINAPI GetLnkCmdline(const char* path, char* buffer, int size);

#ifdef __cplusplus
}

#include <type_traits>

// A 32-bit caller that loads them by name calls them as stdcall: the callee removes the
// arguments. (A 64-bit build has one convention, so there these hold whatever is written.)
static_assert(std::is_same_v<decltype(&GetFilePath), const char*(__stdcall*)(const char*)>);
static_assert(std::is_same_v<decltype(&GetLnkCmdline), int(__stdcall*)(const char*, char*, int)>);
#endif

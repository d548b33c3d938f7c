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
// `size` bytes of text and a terminating NUL, so `buffer` must hold size + 1 bytes.
// Returns the length written, 0 when there is nothing to vouch for.
int WINAPI GetLnkCmdline(const char* path, char* buffer, int size);

#ifdef __cplusplus
}
#endif

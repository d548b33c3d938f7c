// Where the report's texts go: the standard handles and files.
#pragma once
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace zv {

// Files, processes and threads: closed with CloseHandle.
struct TKernelTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
using TKernelHandle = TUniqueHandle<TKernelTraits>;
using TRegKeyHandle = TUniqueHandle<TNullHandleTraits<HKEY, RegCloseKey>>;

enum class TTextEncoding { Ansi, Utf8 };

// Writes text to STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. A file or a pipe gets the bytes as
// they are; a console gets the characters, so that they show right whatever its code page.
// False when the handle is missing or the write fails.
bool WriteStandard(DWORD which, const std::string& text, TTextEncoding encoding);

// Every byte to an open file; false with the system's error code in `error` on failure.
bool WriteAll(HANDLE file, const std::string& bytes, DWORD& error);

// The system's message for an error code, as code-page text without the closing line break.
std::string SystemErrorText(DWORD error);

}  // namespace zv

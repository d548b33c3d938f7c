#include "report/report_io.h"

#include <algorithm>

#include "platform/file_io.h"
#include "platform/unicode_text.h"

namespace zv {

namespace {

// Consoles and pipes take large writes in pieces.
constexpr size_t kChunk = 16 * 1024;

bool WriteConsoleText(HANDLE console, const std::wstring& text)
{
    for (size_t done = 0; done < text.size();) {
        const DWORD piece = static_cast<DWORD>(std::min(kChunk, text.size() - done));
        DWORD written = 0;
        if (!WriteConsoleW(console, text.data() + done, piece, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

bool WriteStandard(DWORD which, const std::string& text, TTextEncoding encoding)
{
    const HANDLE handle = GetStdHandle(which);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        return WriteConsoleText(handle, encoding == TTextEncoding::Ansi ? AnsiToWide(text) : Utf8ToWide(text));
    }
    DWORD error = 0;
    return WriteAll(handle, text, error);
}

}  // namespace zv

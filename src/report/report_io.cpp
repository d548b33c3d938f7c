#include "report/report_io.h"

#include <algorithm>
#include <memory>

#include "report/unicode_text.h"

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

bool WriteAll(HANDLE file, const std::string& bytes, DWORD& error)
{
    for (size_t done = 0; done < bytes.size();) {
        const DWORD piece = static_cast<DWORD>(std::min(kChunk, bytes.size() - done));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr) || written == 0) {
            error = GetLastError();
            return false;
        }
        done += written;
    }
    return true;
}

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

std::string SystemErrorText(DWORD error)
{
    char* buffer = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    const std::unique_ptr<char, decltype(&LocalFree)> owner(buffer, &LocalFree);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "错误 " + std::to_string(error);
    return text;
}

}  // namespace zv

#include "platform/unicode_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace zv {

namespace {

int CheckedLength(size_t size)
{
    if (size > static_cast<size_t>(INT_MAX)) throw std::length_error("text too long to convert");
    return static_cast<int>(size);
}

std::wstring ToWide(UINT codePage, const std::string& text)
{
    if (text.empty()) return {};
    const int length = CheckedLength(text.size());
    const int chars = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), chars);
    return wide;
}

std::string FromWide(UINT codePage, const std::wstring& text)
{
    if (text.empty()) return {};
    const int length = CheckedLength(text.size());
    const int bytes = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, narrow.data(), bytes, nullptr, nullptr);
    return narrow;
}

}  // namespace

std::wstring AnsiToWide(const std::string& text) { return ToWide(CP_ACP, text); }
std::string WideToAnsi(const std::wstring& text) { return FromWide(CP_ACP, text); }
std::wstring Utf8ToWide(const std::string& text) { return ToWide(CP_UTF8, text); }
std::string WideToUtf8(const std::wstring& text) { return FromWide(CP_UTF8, text); }
std::string AnsiToUtf8(const std::string& text) { return WideToUtf8(AnsiToWide(text)); }

bool ExactAnsiName(const std::wstring& wide, std::string& ansi)
{
    ansi.clear();
    if (wide.empty()) return true;
    const int length = CheckedLength(wide.size());
    BOOL usedDefault = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr,
                                          &usedDefault);
    if (bytes <= 0 || usedDefault) return false;
    ansi.resize(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(), bytes, nullptr,
                        &usedDefault);
    return !usedDefault && AnsiToWide(ansi) == wide;
}

bool NamesOneEntry(const std::vector<std::wstring>& names, const std::string& shown)
{
    if (shown.find('\0') != std::string::npos) return false;
    size_t alike = 0;
    bool exact = false;
    for (const std::wstring& name : names) {
        if (WideToAnsi(name) != shown) continue;
        ++alike;
        std::string ansi;
        exact = ExactAnsiName(name, ansi) && ansi == shown;
    }
    if (alike == 0) {
        // Gone since it was listed: the action finds nothing, or an entry of exactly that name.
        std::string back;
        return ExactAnsiName(AnsiToWide(shown), back) && back == shown;
    }
    return alike == 1 && exact;
}

}  // namespace zv

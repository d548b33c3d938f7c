#include "platform/ansi_text.h"

#include <windows.h>

#include <vector>

namespace zv {

namespace {

// Marks each byte that begins a character, scanning from the start as the system would.
std::vector<bool> CharStarts(const std::string& text)
{
    std::vector<bool> starts(text.size() + 1, false);
    size_t i = 0;
    while (i < text.size()) {
        starts[i] = true;
        const bool lead = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size();
        i += lead ? 2 : 1;
    }
    starts[text.size()] = true;
    return starts;
}

bool SameNoCase(char a, char b)
{
    // Only ASCII letters fold: a trail byte must never be folded into another character.
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(a) == lower(b);
}

size_t FindFrom(const std::string& text, const std::string& needle, size_t from,
                const std::vector<bool>& starts, bool ignoreCase)
{
    if (needle.empty() || needle.size() > text.size()) return std::string::npos;
    for (size_t i = from; i + needle.size() <= text.size(); ++i) {
        if (!starts[i]) continue;
        bool match = true;
        for (size_t k = 0; k < needle.size() && match; ++k) {
            match = ignoreCase ? SameNoCase(text[i + k], needle[k]) : text[i + k] == needle[k];
        }
        // A match must also end on a boundary, or its last byte would be a lead byte's half.
        if (match && starts[i + needle.size()]) return i;
    }
    return std::string::npos;
}

}  // namespace

bool IsCharStart(const std::string& text, size_t pos)
{
    if (pos > text.size()) return false;
    return CharStarts(text)[pos];
}

size_t AnsiPos(const std::string& haystack, const std::string& needle)
{
    return FindFrom(haystack, needle, 0, CharStarts(haystack), false);
}

size_t AnsiLastDelimiter(const std::string& text, const std::string& delimiters)
{
    const std::vector<bool> starts = CharStarts(text);
    for (size_t i = text.size(); i-- > 0;) {
        if (starts[i] && delimiters.find(text[i]) != std::string::npos) return i;
    }
    return std::string::npos;
}

std::string AnsiReplaceAllNoCase(const std::string& text, const std::string& from, const std::string& to)
{
    const std::vector<bool> starts = CharStarts(text);
    std::string result;
    size_t pos = 0;
    for (;;) {
        const size_t hit = FindFrom(text, from, pos, starts, true);
        if (hit == std::string::npos) break;
        result.append(text, pos, hit - pos);
        result += to;
        pos = hit + from.size();
    }
    result.append(text, pos, std::string::npos);
    return result;
}

}  // namespace zv

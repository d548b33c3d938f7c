#include "startup/startup_draw.h"

#include "platform/ansi_text.h"

namespace zv {

namespace {

const char kEllipsis[] = "...";

int TextWidth(HDC dc, const std::string& text)
{
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// The head of `text` of `n` bytes, moved back to where its last character starts when `n`
// would end on the first byte of a double-byte character.
size_t HeadAtBoundary(const std::string& text, size_t n) { return IsCharStart(text, n) ? n : n - 1; }

}  // namespace

std::string ShortenToWidth(HDC dc, const std::string& text, int width)
{
    if (TextWidth(dc, text) <= width) return text;
    if (text.size() < 2) return text + kEllipsis;

    auto fits = [&](size_t n) { return TextWidth(dc, text.substr(0, n) + kEllipsis) < width; };
    // Heads of 2 bytes and more, cut only between characters: cutting inside a double-byte
    // character would draw half a character and a stray byte.
    const size_t shortest = HeadAtBoundary(text, 2) < 2 ? 3 : 2;
    // Advance widths are never negative, so a longer head is never narrower: the longest head
    // that fits is found by halving instead of trying every length from the longest down.
    size_t best = 0;
    size_t low = shortest, high = text.size();
    while (low <= high) {
        const size_t mid = HeadAtBoundary(text, low + (high - low) / 2);
        if (mid < low) {
            low = low + 1;
        } else if (fits(mid)) {
            best = mid;
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    return text.substr(0, best ? best : shortest) + kEllipsis;
}

std::string MarkedName(HDC dc, const std::string& name, const std::string& mark, int width)
{
    if (mark.empty()) return ShortenToWidth(dc, name, width);
    return ShortenToWidth(dc, name, width - TextWidth(dc, mark)) + mark;
}

}  // namespace zv

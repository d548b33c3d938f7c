// Fitting a startup list text into its column.
#pragma once
#include <windows.h>

#include <string>

namespace zv {

// The text to draw for `text` in a column `width` pixels wide, measured in the font selected
// into `dc`: the text itself when it fits, else its longest head of at least 2 bytes that
// ends on a character boundary and, followed by "...", is narrower than the column, with
// "..." appended; when no head is that narrow, the shortest such head and "...". A text
// shorter than 2 bytes that does not fit gets "..." appended. Clipping does the rest.
std::string ShortenToWidth(HDC dc, const std::string& text, int width);

// An item's name with `mark` after it in a column `width` pixels wide: the name shortened to
// leave the mark its room, so that the mark is never what is cut.
std::string MarkedName(HDC dc, const std::string& name, const std::string& mark, int width);

}  // namespace zv

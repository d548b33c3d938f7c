// Byte-string helpers that follow the running system's ANSI code page where a cut or a
// search must not land inside a double-byte character.
#pragma once
#include <string>

namespace zv {

// Byte position of the first occurrence of `needle` that starts on a character boundary,
// or npos. Never matches across a double-byte character's two bytes.
size_t AnsiPos(const std::string& haystack, const std::string& needle);

// Index of the last byte equal to one of `delimiters` that is not the second byte of a
// double-byte character, or npos.
size_t AnsiLastDelimiter(const std::string& text, const std::string& delimiters);

// Whether `pos` starts a character (is not the trail byte of a double-byte one).
bool IsCharStart(const std::string& text, size_t pos);

// Every occurrence of `from` replaced by `to`, letters compared without case, matches only
// on character boundaries.
std::string AnsiReplaceAllNoCase(const std::string& text, const std::string& from, const std::string& to);

}  // namespace zv

// Conversions between the system's code page, UTF-16 and UTF-8: for the wide registry and file
// functions that carry every name whole, for JSON and for the console.
#pragma once
#include <string>

namespace zv {

// Code-page text as the system's ANSI code page reads it; a byte that starts no character of
// that code page becomes the replacement character.
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::string AnsiToUtf8(const std::string& text);

}  // namespace zv

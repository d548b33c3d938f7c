// Conversions between the system's code page, UTF-16 and UTF-8: for the wide registry and file
// functions that carry every name whole, for JSON and for the console.
#pragma once
#include <string>
#include <vector>

namespace zv {

// Code-page text as the system's ANSI code page reads it; a byte that starts no character of
// that code page becomes the replacement character.
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::string AnsiToUtf8(const std::string& text);

// The code-page name of a wide name, when it has one exactly: every character converts as
// itself (no best fit, no default character) and the bytes convert back to the same name.
bool ExactAnsiName(const std::wstring& wide, std::string& ansi);

// Whether `shown`, a name as the ANSI functions list it, reaches the one entry it was listed
// for among the wide `names` of its key or folder. Those functions convert with best fit:
// "ZvOffice²" lists as "ZvOffice2" beside the real one, and an action on either row would
// reach the real one. So exactly one name may list as `shown`, and it must be exact; or none,
// when `shown` is exact itself. A name holding a zero byte never is: every call takes it as far
// as that byte.
bool NamesOneEntry(const std::vector<std::wstring>& names, const std::string& shown);

}  // namespace zv

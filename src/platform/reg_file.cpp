#include "platform/reg_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/unicode_text.h"

namespace zv {

namespace {

// The registry editor wraps hexadecimal data so that no line passes 80 characters.
constexpr size_t kHexLineWidth = 76;

std::wstring ErrorText(LONG code)
{
    wchar_t number[16];
    std::swprintf(number, std::size(number), L"%ld", code);
    return number;
}

[[noreturn]] void Fail(const std::wstring& what) { throw ERegFileError(WideToAnsi(what)); }

std::wstring KeyName(HKEY root, const std::wstring& path) { return RootName(root) + L"\\" + path; }

// A name or text that the quoted form cannot hold: a line break ends the line early, a NUL
// ends the text early.
bool QuotedFormHolds(const std::wstring& text)
{
    return text.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

std::wstring Quoted(const std::wstring& text)
{
    std::wstring quoted = L"\"";
    for (const wchar_t c : text) {
        if (c == L'\\' || c == L'"') quoted += L'\\';
        quoted += c;
    }
    quoted += L'"';
    return quoted;
}

// The text of REG_SZ data that holds exactly one NUL-terminated text without line breaks.
bool PlainText(const std::vector<BYTE>& data, std::wstring& text)
{
    if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0) return false;
    text.assign(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), data.size());
    if (text.back() != L'\0') return false;
    text.pop_back();
    return QuotedFormHolds(text);
}

std::wstring HexData(const std::wstring& prefix, const std::vector<BYTE>& data)
{
    std::wstring text = prefix;
    size_t lineLength = prefix.size();
    for (size_t i = 0; i < data.size(); ++i) {
        wchar_t byte[4];
        std::swprintf(byte, std::size(byte), L"%02x", data[i]);
        text += byte;
        lineLength += 2;
        if (i + 1 == data.size()) break;
        text += L',';
        ++lineLength;
        if (lineLength >= kHexLineWidth) {
            text += L"\\\r\n  ";
            lineLength = 2;
        }
    }
    return text;
}

struct TValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// Every value of the key in the order the registry lists them, data as stored.
std::vector<TValue> ReadValues(HKEY key, const std::wstring& keyName)
{
    DWORD maxName = 0, maxData = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                               nullptr, nullptr);
    if (rc != ERROR_SUCCESS) Fail(L"无法读取 " + keyName + L"（错误 " + ErrorText(rc) + L"）");
    // A buffer of at least one byte: with none, the call would report the size and succeed
    // without giving the data.
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData + 1);
    std::vector<TValue> values;
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        rc = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA) {
            // Grown since the sizes were asked for; the call tells the data's size, not the name's.
            name.resize(name.size() * 2);
            data.resize(std::max<size_t>(data.size() * 2, dataSize));
            continue;
        }
        if (rc != ERROR_SUCCESS) Fail(L"无法读取 " + keyName + L" 的值（错误 " + ErrorText(rc) + L"）");
        values.push_back({name.substr(0, nameLength), type, std::vector<BYTE>(data.begin(), data.begin() + dataSize)});
        ++index;
    }
    return values;
}

std::vector<std::wstring> ReadSubKeyNames(HKEY key, const std::wstring& keyName)
{
    DWORD maxName = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxName, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
    if (rc != ERROR_SUCCESS) Fail(L"无法读取 " + keyName + L"（错误 " + ErrorText(rc) + L"）");
    std::wstring name(maxName + 1, L'\0');
    std::vector<std::wstring> names;
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        rc = RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA) {
            name.resize(name.size() * 2);
            continue;
        }
        if (rc != ERROR_SUCCESS) Fail(L"无法读取 " + keyName + L" 的子键（错误 " + ErrorText(rc) + L"）");
        names.push_back(name.substr(0, nameLength));
        ++index;
    }
    return names;
}

// The value's type and data as stored; false when it does not exist.
bool ReadValue(HKEY key, const std::wstring& keyName, const std::wstring& name, TValue& value)
{
    std::vector<BYTE> data(64);
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
        if (rc == ERROR_FILE_NOT_FOUND) return false;
        if (rc == ERROR_MORE_DATA) {
            data.resize(std::max<size_t>(data.size() * 2, size));
            continue;
        }
        if (rc != ERROR_SUCCESS) Fail(L"无法读取 " + keyName + L" 的值 " + name + L"（错误 " + ErrorText(rc) + L"）");
        value = {name, type, std::vector<BYTE>(data.begin(), data.begin() + size)};
        return true;
    }
}

// The key open for reading, or an empty owner when it does not exist.
TRegKeyHandle OpenForReading(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | NativeViewFlag(), &key);
    if (rc == ERROR_FILE_NOT_FOUND) return TRegKeyHandle();
    if (rc != ERROR_SUCCESS) Fail(L"无法读取 " + KeyName(root, path) + L"（错误 " + ErrorText(rc) + L"）");
    return TRegKeyHandle(key);
}

void CheckKeyPath(HKEY root, const std::wstring& path)
{
    if (RootName(root).empty()) Fail(L"不支持的注册表根键");
    if (path.empty() || !QuotedFormHolds(path)) Fail(L"注册表文件不能写出键 " + KeyName(root, path));
}

}  // namespace

std::wstring RootName(HKEY root)
{
    if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
    return {};
}

std::wstring ValueLine(const std::wstring& name, DWORD type, const std::vector<BYTE>& data)
{
    if (!QuotedFormHolds(name)) Fail(L"注册表文件不能写出值名 " + name);
    const std::wstring head = (name.empty() ? L"@" : Quoted(name)) + L"=";
    std::wstring text;
    if (type == REG_SZ && PlainText(data, text)) return head + Quoted(text);
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof(number));
        wchar_t digits[16];
        std::swprintf(digits, std::size(digits), L"dword:%08lx", static_cast<unsigned long>(number));
        return head + digits;
    }
    if (type == REG_BINARY) return HexData(head + L"hex:", data);
    wchar_t tag[24];
    std::swprintf(tag, std::size(tag), L"hex(%lx):", static_cast<unsigned long>(type));
    return HexData(head + tag, data);
}

TRegFileWriter::TRegFileWriter()
{
    Line(L"Windows Registry Editor Version 5.00");
    Line(L"");
}

void TRegFileWriter::BlankLine() { Line(L""); }

void TRegFileWriter::Line(const std::wstring& text)
{
    m_text += text;
    m_text += L"\r\n";
}

void TRegFileWriter::Comment(const std::wstring& text)
{
    std::wstring line = L"; " + text;
    for (wchar_t& c : line) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    Line(line);
}

void TRegFileWriter::SaveKeyTree(HKEY root, const std::wstring& path)
{
    CheckKeyPath(root, path);
    const TRegKeyHandle key = OpenForReading(root, path);
    Line(L"[-" + KeyName(root, path) + L"]");
    Line(L"");
    if (key) SaveKey(root, path, key.get());
}

void TRegFileWriter::SaveKey(HKEY root, const std::wstring& path, HKEY key)
{
    const std::wstring keyName = KeyName(root, path);
    if (!QuotedFormHolds(path)) Fail(L"注册表文件不能写出键 " + keyName);
    Line(L"[" + keyName + L"]");
    for (const TValue& value : ReadValues(key, keyName)) Line(ValueLine(value.name, value.type, value.data));
    Line(L"");
    for (const std::wstring& name : ReadSubKeyNames(key, keyName)) {
        const std::wstring subPath = path + L"\\" + name;
        const TRegKeyHandle sub = OpenForReading(root, subPath);
        // Gone since it was listed: nothing of it to put back.
        if (sub) SaveKey(root, subPath, sub.get());
    }
}

void TRegFileWriter::SaveValues(HKEY root, const std::wstring& path, const std::vector<std::wstring>& names)
{
    CheckKeyPath(root, path);
    const std::wstring keyName = KeyName(root, path);
    const TRegKeyHandle key = OpenForReading(root, path);
    if (!key) {
        Comment(keyName + L" 不存在，没有可保存的值");
        Line(L"");
        return;
    }
    Line(L"[" + keyName + L"]");
    for (const std::wstring& name : names) {
        TValue value;
        if (ReadValue(key.get(), keyName, name, value)) {
            Line(ValueLine(value.name, value.type, value.data));
        } else {
            Line((name.empty() ? std::wstring(L"@") : Quoted(name)) + L"=-");
        }
    }
    Line(L"");
}

std::string TRegFileWriter::Bytes() const
{
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(m_text.data()), m_text.size() * sizeof(wchar_t));
    return bytes;
}

}  // namespace zv

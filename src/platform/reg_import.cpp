#include "platform/reg_import.h"


#include <cstring>

#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/reg_file.h"
#include "platform/unicode_text.h"

namespace zv {

namespace {

const wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring TrimLeft(const std::wstring& text)
{
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    return text.substr(start);
}

std::wstring TrimRight(const std::wstring& text)
{
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// A number of exactly `digits` lowercase hexadecimal digits, the whole of `text`, as the
// writer writes it: any other form is not a file of this program's.
bool ParseHexNumber(const std::wstring& text, size_t digits, DWORD& number)
{
    if (text.size() != digits) return false;
    number = 0;
    for (const wchar_t c : text) {
        const int digit = c >= L'A' && c <= L'F' ? -1 : HexDigit(c);
        if (digit < 0) return false;
        number = number * 16 + static_cast<DWORD>(digit);
    }
    return true;
}

HKEY RootOfName(const std::wstring& name)
{
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, RootName(root).c_str(), -1) ==
            CSTR_EQUAL) {
            return root;
        }
    }
    return nullptr;
}

class TRegFileParser {
public:
    explicit TRegFileParser(const std::string& bytes) { SplitLines(bytes); }

    std::vector<TRegFileCommand> Parse()
    {
        size_t first = 0;
        while (first < m_lines.size() && TrimRight(m_lines[first]).empty()) ++first;
        if (first == m_lines.size() || TrimRight(m_lines[first]) != kHeader) {
            throw ERegFileError("不是注册表编辑器文件（Windows Registry Editor Version 5.00）");
        }
        for (m_index = first + 1; m_index < m_lines.size(); ++m_index) {
            const std::wstring line = TrimLeft(m_lines[m_index]);
            if (TrimRight(line).empty() || line[0] == L';') continue;
            if (line[0] == L'[') {
                KeyLine(line);
            } else if (line[0] == L'@' || line[0] == L'"') {
                ValueLine(line);
            } else {
                Fail();
            }
        }
        return std::move(m_commands);
    }

private:
    void SplitLines(const std::string& bytes)
    {
        if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes.compare(0, 2, "\xFF\xFE") != 0) {
            throw ERegFileError("不是 UTF-16LE 编码的注册表编辑器文件");
        }
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
        for (size_t start = 0; start <= text.size();) {
            size_t end = text.find(L'\n', start);
            if (end == std::wstring::npos) end = text.size();
            std::wstring line = text.substr(start, end - start);
            if (!line.empty() && line.back() == L'\r') line.pop_back();
            m_lines.push_back(std::move(line));
            start = end + 1;
        }
    }

    [[noreturn]] void Fail() const
    {
        throw ERegFileError("注册表编辑器文件第 " + std::to_string(m_index + 1) + " 行无法识别");
    }

    void KeyLine(const std::wstring& line)
    {
        // A key name may hold "]", so the name runs to the last one on the line.
        const size_t close = line.rfind(L']');
        if (close == std::wstring::npos || !TrimRight(line.substr(close + 1)).empty()) Fail();
        std::wstring name = line.substr(1, close - 1);
        TRegFileCommand command;
        command.Kind = TRegFileCommand::TKind::CreateKey;
        if (!name.empty() && name[0] == L'-') {
            command.Kind = TRegFileCommand::TKind::DeleteKey;
            name.erase(0, 1);
        }
        const size_t slash = name.find(L'\\');
        // A root is never deleted or written as a whole.
        if (slash == std::wstring::npos || slash + 1 == name.size()) Fail();
        command.Root = RootOfName(name.substr(0, slash));
        if (!command.Root) Fail();
        command.Path = name.substr(slash + 1);
        m_key = command.Kind == TRegFileCommand::TKind::CreateKey ? command : TRegFileCommand();
        m_commands.push_back(std::move(command));
    }

    void ValueLine(const std::wstring& line)
    {
        if (!m_key.Root) Fail();
        TRegFileCommand command = m_key;
        size_t at = 0;
        if (line[0] == L'@') {
            at = 1;
        } else if (!Quoted(line, at, command.Name)) {
            Fail();
        }
        if (at == line.size() || line[at] != L'=') Fail();
        Data(TrimRight(line.substr(at + 1)), command);
        m_commands.push_back(std::move(command));
    }

    // The quoted text that starts at `at`, with \\ and \" undone; `at` moves past it.
    static bool Quoted(const std::wstring& line, size_t& at, std::wstring& text)
    {
        if (at >= line.size() || line[at] != L'"') return false;
        text.clear();
        for (++at; at < line.size(); ++at) {
            wchar_t c = line[at];
            if (c == L'"') {
                ++at;
                return true;
            }
            if (c == L'\\') {
                if (++at == line.size()) return false;
                c = line[at];
                if (c != L'\\' && c != L'"') return false;
            }
            text += c;
        }
        return false;
    }

    void Data(const std::wstring& data, TRegFileCommand& command)
    {
        static const std::wstring kDword = L"dword:", kHex = L"hex:", kHexType = L"hex(";
        if (data == L"-") {
            command.Kind = TRegFileCommand::TKind::DeleteValue;
            return;
        }
        command.Kind = TRegFileCommand::TKind::SetValue;
        if (!data.empty() && data[0] == L'"') {
            size_t at = 0;
            std::wstring text;
            if (!Quoted(data, at, text) || at != data.size()) Fail();
            command.Type = REG_SZ;
            const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
            command.Data.assign(begin, begin + (text.size() + 1) * sizeof(wchar_t));
        } else if (data.compare(0, kDword.size(), kDword) == 0) {
            DWORD number = 0;
            if (!ParseHexNumber(data.substr(kDword.size()), 8, number)) Fail();
            command.Type = REG_DWORD;
            const BYTE* begin = reinterpret_cast<const BYTE*>(&number);
            command.Data.assign(begin, begin + sizeof(number));
        } else if (data.compare(0, kHex.size(), kHex) == 0) {
            command.Type = REG_BINARY;
            command.Data = HexBytes(data.substr(kHex.size()));
        } else if (data.compare(0, kHexType.size(), kHexType) == 0) {
            const size_t close = data.find(L"):", kHexType.size());
            // The type as "%lx" writes it: no leading zero.
            const std::wstring type = data.substr(kHexType.size(), close - kHexType.size());
            const bool leadingZero = type.size() > 1 && type[0] == L'0';
            if (close == std::wstring::npos || type.empty() || type.size() > 8 || leadingZero ||
                !ParseHexNumber(type, type.size(), command.Type)) {
                Fail();
            }
            command.Data = HexBytes(data.substr(close + 2));
        } else {
            Fail();
        }
    }

    // Comma-separated bytes; a line that ends in "\" goes on on the next line.
    std::vector<BYTE> HexBytes(std::wstring list)
    {
        while (!list.empty() && list.back() == L'\\') {
            list.pop_back();
            if (++m_index == m_lines.size()) Fail();
            // A continuation line is indented by two blanks.
            if (m_lines[m_index].compare(0, 2, L"  ") != 0) Fail();
            list += m_lines[m_index].substr(2);
        }
        std::vector<BYTE> bytes;
        if (TrimRight(list).empty()) return bytes;
        for (size_t start = 0;;) {
            const size_t comma = list.find(L',', start);
            DWORD byte = 0;
            if (!ParseHexNumber(list.substr(start, comma - start), 2, byte)) Fail();
            bytes.push_back(static_cast<BYTE>(byte));
            if (comma == std::wstring::npos) return bytes;
            start = comma + 1;
        }
    }

    std::vector<std::wstring> m_lines;
    size_t m_index = 0;
    TRegFileCommand m_key;  // the key of the last `[KEY]` line; none after `[-KEY]`
    std::vector<TRegFileCommand> m_commands;
};

std::string KeyText(const TRegFileCommand& command)
{
    return WideToAnsi(RootName(command.Root) + L"\\" + command.Path);
}

[[noreturn]] void FailCommand(const std::string& what, LONG code)
{
    throw ERegFileError(what + "：" + SystemErrorText(static_cast<DWORD>(code)));
}

}  // namespace

std::vector<TRegFileCommand> ParseRegFile(const std::string& bytes) { return TRegFileParser(bytes).Parse(); }

void ApplyRegFile(const std::vector<TRegFileCommand>& commands)
{
    TRegKeyHandle key;
    for (const TRegFileCommand& command : commands) {
        switch (command.Kind) {
        case TRegFileCommand::TKind::DeleteKey: {
            key.reset();
            const LONG rc = DeleteKeyTreeW(command.Root, command.Path);
            if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) FailCommand("无法删除注册表键 " + KeyText(command), rc);
            break;
        }
        case TRegFileCommand::TKind::CreateKey: {
            HKEY created = nullptr;
            key.reset();
            const LONG rc = RegCreateKeyExW(command.Root, command.Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            KEY_SET_VALUE | NativeViewFlag(), nullptr, &created, nullptr);
            if (rc != ERROR_SUCCESS) FailCommand("无法创建注册表键 " + KeyText(command), rc);
            key.reset(created);
            break;
        }
        case TRegFileCommand::TKind::SetValue: {
            // The wide call counts a terminator the data lacks into a text's size when the memory
            // just past the data reads as one: non-zero bytes there keep the size as given.
            std::vector<BYTE> guarded(command.Data);
            guarded.insert(guarded.end(), {0xFF, 0xFF});
            const LONG rc = RegSetValueExW(key.get(), command.Name.c_str(), 0, command.Type, guarded.data(),
                                           static_cast<DWORD>(command.Data.size()));
            if (rc != ERROR_SUCCESS) {
                FailCommand("无法写入 " + KeyText(command) + " 的值 " + WideToAnsi(command.Name), rc);
            }
            break;
        }
        case TRegFileCommand::TKind::DeleteValue: {
            const LONG rc = RegDeleteValueW(key.get(), command.Name.c_str());
            if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
                FailCommand("无法删除 " + KeyText(command) + " 的值 " + WideToAnsi(command.Name), rc);
            }
            break;
        }
        }
    }
}

}  // namespace zv

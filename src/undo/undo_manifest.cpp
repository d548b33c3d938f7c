#include "undo/undo_manifest.h"

#include <cstdio>

#include "platform/file_io.h"
#include "platform/unicode_text.h"

namespace zv {

const wchar_t kManifestFileName[] = L"manifest.txt";
const wchar_t kRegistryFileName[] = L"registry.reg";

namespace {

const char kFirstLine[] = "Zorvane undo record";
const char kDone[] = "done";
const char kUndone[] = "undone";

std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == '%') {
            char code[4];
            std::snprintf(code, sizeof(code), "%%%02X", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// A number of exactly `digits` hexadecimal digits.
bool ParseHex(const std::string& text, size_t digits, unsigned long long& number)
{
    if (text.size() != digits) return false;
    number = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (digit < 0) return false;
        number = number * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

[[noreturn]] void Malformed(const std::string& what) { throw EUndoError("清单文件 manifest.txt 有误：" + what); }

std::string Unescaped(const std::string& text)
{
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            plain += text[i];
            continue;
        }
        unsigned long long byte = 0;
        if (!ParseHex(text.substr(i + 1, 2), 2, byte)) Malformed("无法识别的 % 转义");
        plain += static_cast<char>(byte);
        i += 2;
    }
    return plain;
}

std::string TimeField(const FILETIME& time)
{
    char text[20];
    std::snprintf(text, sizeof(text), "%08lX%08lX", static_cast<unsigned long>(time.dwHighDateTime),
                  static_cast<unsigned long>(time.dwLowDateTime));
    return text;
}

FILETIME ParseTimeField(const std::string& text)
{
    unsigned long long number = 0;
    if (!ParseHex(text, 16, number)) Malformed("文件时间 " + text);
    FILETIME time;
    time.dwHighDateTime = static_cast<DWORD>(number >> 32);
    time.dwLowDateTime = static_cast<DWORD>(number & 0xFFFFFFFFu);
    return time;
}

// copy|attributes|created|accessed|written|path: the path last, so that nothing it holds can
// shift the other fields.
std::string FileField(const TUndoFile& file)
{
    char attributes[12];
    std::snprintf(attributes, sizeof(attributes), "%08lX", static_cast<unsigned long>(file.Attributes));
    return file.Copy + "|" + attributes + "|" + TimeField(file.Created) + "|" + TimeField(file.Accessed) + "|" +
           TimeField(file.Written) + "|" + Escaped(file.Path);
}

TUndoFile ParseFileField(const std::string& text)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        const size_t bar = text.find('|', start);
        if (bar == std::string::npos) Malformed("文件行 " + text);
        fields.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    TUndoFile file;
    file.Copy = fields[0];
    unsigned long long attributes = 0;
    if (file.Copy.empty() || !ParseHex(fields[1], 8, attributes)) Malformed("文件行 " + text);
    file.Attributes = static_cast<DWORD>(attributes);
    file.Created = ParseTimeField(fields[2]);
    file.Accessed = ParseTimeField(fields[3]);
    file.Written = ParseTimeField(fields[4]);
    file.Path = Unescaped(text.substr(start));
    return file;
}

}  // namespace

std::string FormatManifest(const TUndoManifest& manifest)
{
    std::string text = std::string(kFirstLine) + "\r\n";
    auto line = [&text](const char* name, const std::string& value) { text += name + ("=" + value) + "\r\n"; };
    line("time", Escaped(manifest.Time));
    line("action", Escaped(manifest.Action));
    line("entry", Escaped(manifest.Entry));
    for (const std::string& saved : manifest.Registry) line("registry", Escaped(saved));
    for (const TUndoFile& file : manifest.Files) line("file", FileField(file));
    line("state", manifest.Undone ? kUndone : kDone);
    return text;
}

void WriteManifest(const std::wstring& folder, const TUndoManifest& manifest)
{
    const std::wstring path = folder + L"\\" + kManifestFileName;
    const std::wstring draft = path + L".new";
    // Left by an attempt that stopped half-way.
    DeleteFileW(draft.c_str());
    DWORD error = 0;
    if (WriteNewFile(draft, FormatManifest(manifest), error)) {
        if (MoveFileExW(draft.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return;
        error = GetLastError();
        DeleteFileW(draft.c_str());
    }
    throw EUndoError("无法写入 " + WideToAnsi(path) + "：" + SystemErrorText(error));
}

TUndoManifest ParseManifest(const std::string& text)
{
    TUndoManifest manifest;
    bool first = true, time = false, action = false, entry = false, state = false;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            if (line != kFirstLine) Malformed("不是 Zorvane 的撤销记录");
            first = false;
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string name = line.substr(0, equals), value = line.substr(equals + 1);
        if (name == "time") {
            manifest.Time = Unescaped(value);
            time = true;
        } else if (name == "action") {
            manifest.Action = Unescaped(value);
            action = true;
        } else if (name == "entry") {
            manifest.Entry = Unescaped(value);
            entry = true;
        } else if (name == "registry") {
            manifest.Registry.push_back(Unescaped(value));
        } else if (name == "file") {
            manifest.Files.push_back(ParseFileField(value));
        } else if (name == "state") {
            if (value != kDone && value != kUndone) Malformed("状态 " + value);
            manifest.Undone = value == kUndone;
            state = true;
        }
    }
    if (first) Malformed("文件是空的");
    if (!time || !action || !entry || !state) Malformed("缺少时间、操作、项目或状态");
    return manifest;
}

}  // namespace zv

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
const char kUndoing[] = "undoing";
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

// A number of exactly `digits` uppercase hexadecimal digits, as the writer writes them.
bool ParseHex(const std::string& text, size_t digits, unsigned long long& number)
{
    if (text.size() != digits) return false;
    number = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return false;
        number = number * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

[[noreturn]] void Malformed(const std::string& what) { throw EUndoError("清单文件 manifest.txt 有误：" + what); }

// Fields of a line joined by "|": each escaped, and its "|" too.
std::string Fields(const std::vector<std::string>& fields)
{
    std::string text;
    for (size_t i = 0; i < fields.size(); ++i) {
        std::string escaped = Escaped(fields[i]);
        for (size_t bar; (bar = escaped.find('|')) != std::string::npos;) escaped.replace(bar, 1, "%7C");
        text += (i ? "|" : "") + escaped;
    }
    return text;
}

std::string Unescaped(const std::string& text);

std::vector<std::string> SplitFields(const std::string& text)
{
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        const size_t bar = text.find('|', start);
        fields.push_back(Unescaped(text.substr(start, bar - start)));
        if (bar == std::string::npos) return fields;
        start = bar + 1;
    }
}

std::string KeyField(const TUndoKey& key)
{
    const std::string root = key.Root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    switch (key.Mode) {
    case TUndoKey::TMode::Tree:
        return Fields({"tree", root, key.Path});
    case TUndoKey::TMode::Created:
        return Fields({"created", root, key.Path, key.Created});
    case TUndoKey::TMode::Values:
        break;
    }
    std::vector<std::string> fields = {"values", root, key.Path};
    fields.insert(fields.end(), key.Names.begin(), key.Names.end());
    return Fields(fields);
}

TUndoKey ParseKeyField(const std::string& text)
{
    const std::vector<std::string> fields = SplitFields(text);
    TUndoKey key;
    if (fields.size() < 3 || fields[2].empty()) Malformed("键行 " + text);
    if (fields[1] == "HKEY_CURRENT_USER") {
        key.Root = HKEY_CURRENT_USER;
    } else if (fields[1] == "HKEY_LOCAL_MACHINE") {
        key.Root = HKEY_LOCAL_MACHINE;
    } else {
        Malformed("键行 " + text);
    }
    key.Path = fields[2];
    if (fields[0] == "tree" && fields.size() == 3) {
        key.Mode = TUndoKey::TMode::Tree;
    } else if (fields[0] == "created" && fields.size() == 4) {
        key.Mode = TUndoKey::TMode::Created;
        key.Created = fields[3];
    } else if (fields[0] == "values" && fields.size() > 3) {
        key.Mode = TUndoKey::TMode::Values;
        key.Names.assign(fields.begin() + 3, fields.end());
    } else {
        Malformed("键行 " + text);
    }
    return key;
}

std::string PartField(const TUndoPart& part)
{
    return part.Name + "|" + std::to_string(part.Size) + "|" + part.Hash;
}

TUndoPart ParsePartField(const std::string& text)
{
    const size_t first = text.find('|'), second = text.find('|', first + 1);
    if (first == std::string::npos || second == std::string::npos) Malformed("部分行 " + text);
    TUndoPart part;
    part.Name = text.substr(0, first);
    const std::string size = text.substr(first + 1, second - first - 1);
    part.Hash = text.substr(second + 1);
    // Decimal as the writer writes it: no sign, no leading zero, no more than fits.
    const bool digits = !size.empty() && size.size() <= 15 && size.find_first_not_of("0123456789") == std::string::npos;
    const bool sizeOk = digits && (size == "0" || size[0] != '0');
    const bool hashOk = part.Hash.size() == 64 && part.Hash.find_first_not_of("0123456789abcdef") == std::string::npos;
    if (part.Name.empty() || !sizeOk || !hashOk) Malformed("部分行 " + text);
    // By hand: the runtime's conversion would bring imports that Windows XP lacks.
    for (const char c : size) part.Size = part.Size * 10 + static_cast<unsigned>(c - '0');
    return part;
}

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
    for (const TUndoKey& key : manifest.Keys) line("key", KeyField(key));
    for (const TUndoFile& file : manifest.Files) line("file", FileField(file));
    for (const TUndoPart& part : manifest.Parts) line("part", PartField(part));
    // Last: a manifest cut anywhere lacks it.
    line("state", manifest.State == TUndoState::Undone    ? kUndone
                  : manifest.State == TUndoState::Undoing ? kUndoing
                                                           : kDone);
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
    if (text.empty()) Malformed("文件是空的");
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) Malformed("文件不完整");
    bool first = true, time = false, action = false, entry = false, state = false;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (first) {
            if (line != kFirstLine) Malformed("不是 Zorvane 的撤销记录");
            first = false;
            continue;
        }
        if (state) Malformed("状态行之后还有内容");
        const size_t equals = line.find('=');
        if (equals == std::string::npos) Malformed("无法识别的行 " + line);
        const std::string name = line.substr(0, equals), value = line.substr(equals + 1);
        if (name == "time" && !time) {
            manifest.Time = Unescaped(value);
            time = true;
        } else if (name == "action" && !action) {
            manifest.Action = Unescaped(value);
            action = true;
        } else if (name == "entry" && !entry) {
            manifest.Entry = Unescaped(value);
            entry = true;
        } else if (name == "registry") {
            manifest.Registry.push_back(Unescaped(value));
        } else if (name == "key") {
            manifest.Keys.push_back(ParseKeyField(value));
        } else if (name == "file") {
            manifest.Files.push_back(ParseFileField(value));
        } else if (name == "part") {
            manifest.Parts.push_back(ParsePartField(value));
        } else if (name == "state") {
            if (value == kDone) {
                manifest.State = TUndoState::Done;
            } else if (value == kUndoing) {
                manifest.State = TUndoState::Undoing;
            } else if (value == kUndone) {
                manifest.State = TUndoState::Undone;
            } else {
                Malformed("状态 " + value);
            }
            state = true;
        } else {
            Malformed("无法识别的行 " + line);
        }
    }
    if (!time || !action || !entry || !state) Malformed("缺少时间、操作、项目或状态");
    return manifest;
}

}  // namespace zv

#include "undo/undo_history.h"


#include <algorithm>

#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/path_policy.h"
#include "platform/reg_file.h"
#include "platform/reg_import.h"
#include "platform/registry.h"
#include "platform/sha256.h"
#include "platform/unicode_text.h"
#include "plugins/action_keys.h"
#include "undo/undo_record.h"

namespace zv {

namespace {

[[noreturn]] void Fail(const std::string& what, DWORD error) { throw EUndoError(what + "：" + SystemErrorText(error)); }

std::string ReadPart(const std::wstring& path)
{
    std::string bytes;
    DWORD error = 0;
    if (!ReadWholeFile(path, bytes, error)) Fail("无法读取撤销记录中的 " + WideToAnsi(path), error);
    return bytes;
}

// The attributes SetFileAttributes takes; the others belong to how the file is stored.
DWORD SettableAttributes(DWORD attributes)
{
    const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    attributes &= settable;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// Whether a file is at the path again, and then whether it holds the saved bytes.
enum class TFileThere { No, Same, Other };

TFileThere FileThere(const std::wstring& path, const std::string& saved)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TFileThere::No : TFileThere::Other;
    }
    std::string present;
    DWORD error = 0;
    const bool same =
        !(attributes & FILE_ATTRIBUTE_DIRECTORY) && ReadWholeFile(path, present, error) && present == saved;
    return same ? TFileThere::Same : TFileThere::Other;
}

// The bytes checked against the manifest, not the copy read again: it may have changed since.
void PutBack(const std::string& bytes, const TUndoFile& file)
{
    const std::wstring path = AnsiToWide(file.Path);
    DWORD error = 0;
    // Never over a file that has come back since the check.
    if (!WriteNewFile(path, bytes, error)) Fail("无法把文件 " + file.Path + " 放回原处", error);
    {
        const TKernelHandle opened(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!opened || !SetFileTime(opened.get(), &file.Created, &file.Accessed, &file.Written)) {
            Fail("无法恢复文件 " + file.Path + " 的时间", GetLastError());
        }
    }
    // Last: a read-only file would refuse its times.
    if (!SetFileAttributesW(path.c_str(), SettableAttributes(file.Attributes))) {
        Fail("无法恢复文件 " + file.Path + " 的属性", GetLastError());
    }
}

[[noreturn]] void Refuse(const TUndoHistoryEntry& record, const std::string& why)
{
    throw EUndoError("撤销记录 " + WideToAnsi(record.Folder) +
                     " 不是本程序写下的原样，没有撤销，什么都没有改动：" + why);
}

std::string KeyName(HKEY root, const std::wstring& path) { return WideToAnsi(RootName(root) + L"\\" + path); }

// `path` is `key` or below it.
bool Within(const std::wstring& path, const std::wstring& key)
{
    return path == key ||
           (path.size() > key.size() && path.compare(0, key.size(), key) == 0 && path[key.size()] == L'\\');
}

// A full path on a local drive, as the window records it: "X:\", then names without "." or "..".
// Read as UTF-16, where a backslash is never the second byte of a character.
bool IsFullLocalPath(const std::string& path)
{
    const std::wstring wide = AnsiToWide(path);
    const wchar_t drive = wide.empty() ? 0 : static_cast<wchar_t>(wide[0] & ~0x20);
    if (wide.size() < 4 || drive < L'A' || drive > L'Z' || wide.compare(1, 2, L":\\") != 0) return false;
    if (wide.find(L'/') != std::wstring::npos || !MayOpenPath(path)) return false;
    for (size_t start = 3;;) {
        const size_t slash = wide.find(L'\\', start);
        const std::wstring name = wide.substr(start, slash - start);
        if (name.empty() || name == L"." || name == L"..") return false;
        if (slash == std::wstring::npos) return true;
        start = slash + 1;
    }
}

// The manifest's keys in the forms the window's actions change them.
std::string KeyProblem(const TUndoKey& key)
{
    switch (key.Mode) {
    case TUndoKey::TMode::Tree:
        if (IsErasedActionKey(key.Root, key.Path)) return {};
        break;
    case TUndoKey::TMode::Created:
        if (IsCreatedActionKey(key.Root, key.Created) && Within(AnsiToWide(key.Created), AnsiToWide(key.Path))) {
            return {};
        }
        break;
    case TUndoKey::TMode::Values:
        if (std::all_of(key.Names.begin(), key.Names.end(),
                        [&](const std::string& name) { return IsChangedActionValue(key.Root, key.Path, name); })) {
            return {};
        }
        break;
    }
    return "本程序的操作不会改动 " + KeyName(key.Root, AnsiToWide(key.Path));
}

// One key of the manifest and the instructions of the registry file that put it back.
struct TRegistryItem {
    const TUndoKey* Key = nullptr;
    std::vector<TRegFileCommand> Commands;
};

bool SameCommand(const TRegFileCommand& a, const TRegFileCommand& b)
{
    return a.Kind == b.Kind && a.Root == b.Root && a.Path == b.Path && a.Name == b.Name && a.Type == b.Type &&
           a.Data == b.Data;
}

// Splits the registry file's instructions by the manifest's keys, each exactly as the writer
// writes it for that key. Says what does not fit; empty when nothing else is in the file.
std::string SplitRegistryFile(const std::vector<TUndoKey>& keys, const std::vector<TRegFileCommand>& commands,
                              std::vector<TRegistryItem>& items)
{
    using TKind = TRegFileCommand::TKind;
    size_t at = 0;
    for (const TUndoKey& key : keys) {
        const std::wstring path = AnsiToWide(key.Path);
        TRegistryItem item{&key, {}};
        auto take = [&](auto fits) {
            if (at < commands.size() && commands[at].Root == key.Root && fits(commands[at])) {
                item.Commands.push_back(commands[at++]);
                return true;
            }
            return false;
        };
        const std::string missing = "注册表文件与清单不符：" + KeyName(key.Root, path);
        if (key.Mode == TUndoKey::TMode::Values) {
            if (!take([&](const TRegFileCommand& c) { return c.Kind == TKind::CreateKey && c.Path == path; })) {
                return missing;
            }
            for (const std::string& name : key.Names) {
                const bool named = take([&](const TRegFileCommand& c) {
                    return (c.Kind == TKind::SetValue || c.Kind == TKind::DeleteValue) && c.Path == path &&
                           c.Name == AnsiToWide(name);
                });
                if (!named) return missing;
            }
        } else {
            if (!take([&](const TRegFileCommand& c) { return c.Kind == TKind::DeleteKey && c.Path == path; })) {
                return missing;
            }
            // A created key was missing: nothing of it to put back.
            while (key.Mode == TUndoKey::TMode::Tree && take([&](const TRegFileCommand& c) {
                return (c.Kind == TKind::CreateKey || c.Kind == TKind::SetValue) && Within(c.Path, path);
            })) {
            }
        }
        items.push_back(std::move(item));
    }
    if (at != commands.size()) {
        return "注册表文件中有清单没有列出的键：" + KeyName(commands[at].Root, commands[at].Path);
    }
    return {};
}

// What the record holds, read and checked whole before anything is changed.
struct TCheckedRecord {
    std::vector<TRegistryItem> Items;
    std::vector<std::string> Copies;  // the bytes of the file copies, in the manifest's order
};

TCheckedRecord CheckRecord(const TUndoHistoryEntry& record)
{
    const TUndoManifest& manifest = record.Manifest;
    std::vector<std::string> names;
    if (!manifest.Registry.empty() || !manifest.Keys.empty()) names.push_back(WideToAnsi(kRegistryFileName));
    for (size_t i = 0; i < manifest.Files.size(); ++i) {
        const TUndoFile& file = manifest.Files[i];
        if (file.Copy != "file" + std::to_string(i + 1)) Refuse(record, "副本的名字 " + file.Copy);
        if (!IsFullLocalPath(file.Path)) Refuse(record, "不是本机的完整路径：" + file.Path);
        names.push_back(file.Copy);
    }
    if (manifest.Parts.size() != names.size()) Refuse(record, "清单列出的部分与记录不符");
    std::vector<std::string> parts;
    for (size_t i = 0; i < names.size(); ++i) {
        const TUndoPart& part = manifest.Parts[i];
        if (part.Name != names[i]) Refuse(record, "清单列出的部分与记录不符：" + part.Name);
        std::string bytes = ReadPart(record.Folder + L"\\" + AnsiToWide(part.Name));
        if (bytes.size() != part.Size || Sha256Hex(bytes) != part.Hash) {
            Refuse(record, part.Name + " 的大小或 SHA-256 与清单不符，记录已损坏");
        }
        parts.push_back(std::move(bytes));
    }
    for (const TUndoKey& key : manifest.Keys) {
        if (const std::string problem = KeyProblem(key); !problem.empty()) Refuse(record, problem);
    }
    TCheckedRecord checked;
    if (!manifest.Registry.empty() || !manifest.Keys.empty()) {
        std::vector<TRegFileCommand> commands;
        try {
            commands = ParseRegFile(parts.front());
        } catch (const ERegFileError& e) {
            Refuse(record, e.Message());
        }
        if (const std::string problem = SplitRegistryFile(manifest.Keys, commands, checked.Items); !problem.empty()) {
            Refuse(record, problem);
        }
        parts.erase(parts.begin());
    }
    checked.Copies = std::move(parts);
    return checked;
}

// The key or values are now exactly as the record saved them; false when they cannot be read.
bool AsSaved(const TRegistryItem& item)
{
    const TUndoKey& key = *item.Key;
    try {
        TRegFileWriter now;
        if (key.Mode == TUndoKey::TMode::Values) {
            std::vector<std::wstring> names;
            for (const std::string& name : key.Names) names.push_back(AnsiToWide(name));
            now.SaveValues(key.Root, AnsiToWide(key.Path), names);
        } else {
            now.SaveKeyTree(key.Root, AnsiToWide(key.Path));
        }
        const std::vector<TRegFileCommand> commands = ParseRegFile(now.Bytes());
        return std::equal(commands.begin(), commands.end(), item.Commands.begin(), item.Commands.end(), SameCommand);
    } catch (const EError&) {
        return false;
    }
}

// Whether the key (or, while it is missing, the parent it would be created in) opens for the
// access the undo needs, asked through the registry seam; the system's error code otherwise.
LONG WriteAccess(HKEY root, std::wstring path, REGSAM access)
{
    for (;;) {
        HKEY opened = nullptr;
        const LONG rc = RegistryApi().OpenKeyExW(root, path.c_str(), 0, access | NativeViewFlag(), &opened);
        const TRegKeyHandle key(rc == ERROR_SUCCESS ? opened : nullptr);
        if (rc != ERROR_FILE_NOT_FOUND) return rc;
        const size_t slash = path.rfind(L'\\');
        if (slash == std::wstring::npos) return ERROR_SUCCESS;  // under the root itself
        path.resize(slash);
        access = KEY_CREATE_SUB_KEY;
    }
}

LONG ItemWriteAccess(const TUndoKey& key)
{
    switch (key.Mode) {
    case TUndoKey::TMode::Tree:
        return WriteAccess(key.Root, AnsiToWide(key.Path), DELETE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
    case TUndoKey::TMode::Created:
        return WriteAccess(key.Root, AnsiToWide(key.Created), DELETE);
    case TUndoKey::TMode::Values:
        break;
    }
    return WriteAccess(key.Root, AnsiToWide(key.Path), KEY_SET_VALUE);
}

// A key that holds no value and no sub-key.
bool IsEmptyKey(HKEY root, const std::wstring& path)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | NativeViewFlag(), &opened) != ERROR_SUCCESS) return false;
    const TRegKeyHandle key(opened);
    DWORD subKeys = 0, values = 0;
    return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys == 0 && values == 0;
}

void PutBackItem(const TRegistryItem& item)
{
    const TUndoKey& key = *item.Key;
    if (key.Mode != TUndoKey::TMode::Created) return ApplyRegFile(item.Commands);
    // The created key goes whole; its parents that were missing too go only while they hold
    // nothing else: what was made in them since is not this change's.
    std::wstring path = AnsiToWide(key.Created);
    const std::wstring highest = AnsiToWide(key.Path);
    LONG rc = DeleteKeyTreeW(key.Root, path);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        throw ERegFileError("无法删除注册表键 " + KeyName(key.Root, path) + "：" + SystemErrorText(rc));
    }
    while (path != highest) {
        path.resize(path.rfind(L'\\'));
        if (!IsEmptyKey(key.Root, path)) return;
        rc = DeleteKeyTreeW(key.Root, path);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
            throw ERegFileError("无法删除注册表键 " + KeyName(key.Root, path) + "：" + SystemErrorText(rc));
        }
    }
}

void Mark(const TUndoHistoryEntry& record, TUndoState state)
{
    TUndoManifest marked = record.Manifest;
    marked.State = state;
    WriteManifest(record.Folder, marked);
}

TUndone TakeBack(const TUndoHistoryEntry& record)
{
    const TUndoManifest& manifest = record.Manifest;
    const TCheckedRecord checked = CheckRecord(record);
    TUndone undone{record, {}, {}, {}, false, {}};
    if (manifest.State == TUndoState::Undoing) {
        try {
            Mark(record, TUndoState::Undone);
        } catch (const EUndoError& e) {
            throw EUndoError("撤销记录 " + WideToAnsi(record.Folder) +
                             " 已经撤销过，但仍然无法标记为已撤销，不会再撤销它一次：" + e.Message());
        }
        undone.MarkedOnly = true;
        undone.Record.Manifest.State = TUndoState::Undone;
        return undone;
    }

    std::string cameBack;
    for (size_t i = 0; i < manifest.Files.size(); ++i) {
        const TUndoFile& file = manifest.Files[i];
        const std::wstring copy = record.Folder + L"\\" + AnsiToWide(file.Copy);
        const std::wstring path = AnsiToWide(file.Path);
        const TFileThere there = FileThere(path, checked.Copies[i]);
        if (there == TFileThere::Other) {
            cameBack += "文件 " + file.Path + " 在删除之后又有了，没有用记录中的副本覆盖它；副本是 " +
                        WideToAnsi(copy) + "。\r\n";
        }
        undone.FileWasBack.push_back(there == TFileThere::Same);
        const std::wstring folder = path.substr(0, path.rfind(L'\\'));
        const DWORD attributes = GetFileAttributesW((folder.size() == 2 ? folder + L"\\" : folder).c_str());
        const bool folderThere = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        undone.FileProblems.push_back(there != TFileThere::No || folderThere
                                          ? std::string()
                                          : "没有放回：它原来所在的文件夹 " + WideToAnsi(folder) +
                                                " 已经不存在；副本留在 " + WideToAnsi(copy));
    }
    if (!cameBack.empty()) throw EUndoError(cameBack + "把这样的文件移开后再撤销一次。");

    std::vector<const TRegistryItem*> changed;
    std::string unwritable;
    for (const TRegistryItem& item : checked.Items) {
        const std::string name = KeyName(item.Key->Root, AnsiToWide(item.Key->Path));
        if (AsSaved(item)) {
            undone.Unchanged.push_back(name);
            continue;
        }
        changed.push_back(&item);
        if (const LONG rc = ItemWriteAccess(*item.Key); rc != ERROR_SUCCESS) {
            unwritable += "\r\n  " + name + "：" + SystemErrorText(static_cast<DWORD>(rc));
        }
    }
    if (!unwritable.empty()) throw EUndoError("下列各项无法恢复，所以什么都没有改动：" + unwritable);

    try {
        Mark(record, TUndoState::Undoing);
    } catch (const EUndoError& e) {
        throw EUndoError("无法在撤销记录中写下撤销的进度，所以什么都没有改动：" + e.Message());
    }
    std::string done;
    try {
        for (const TRegistryItem* item : changed) {
            PutBackItem(*item);
            done += "\r\n  " + KeyName(item->Key->Root, AnsiToWide(item->Key->Path));
        }
        for (size_t i = 0; i < manifest.Files.size(); ++i) {
            if (undone.FileWasBack[i] || !undone.FileProblems[i].empty()) continue;
            PutBack(checked.Copies[i], manifest.Files[i]);
            done += "\r\n  " + manifest.Files[i].Path;
        }
    } catch (const EError& e) {
        // Begun but not finished: tried again next time, as a whole.
        try {
            Mark(record, TUndoState::Done);
        } catch (const EUndoError&) {
        }
        throw EUndoError(e.Message() + "\r\n撤销没有做完" +
                         (done.empty() ? "，什么都没有改动。" : "，已经恢复的是：" + done));
    }
    try {
        Mark(record, TUndoState::Undone);
        undone.Record.Manifest.State = TUndoState::Undone;
    } catch (const EUndoError& e) {
        undone.NotMarked = e.Message();
        undone.Record.Manifest.State = TUndoState::Undoing;
    }
    return undone;
}

}  // namespace

std::vector<TUndoHistoryEntry> UndoHistory()
{
    const std::wstring folder = UndoFolder();
    std::vector<TUndoHistoryEntry> records;
    WIN32_FIND_DATAW found;
    const TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return records;
        Fail("无法列出撤销记录的文件夹 " + WideToAnsi(folder), error);
    }
    do {
        const std::wstring name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
        TUndoHistoryEntry record;
        record.Folder = folder + L"\\" + name;
        record.Sequence = RecordSequence(name);
        std::string text;
        DWORD error = 0;
        if (!ReadWholeFile(record.Folder + L"\\" + kManifestFileName, text, error)) {
            if (error == ERROR_FILE_NOT_FOUND) continue;
            record.Problem = "无法读取 manifest.txt：" + SystemErrorText(error);
        } else {
            try {
                record.Manifest = ParseManifest(text);
            } catch (const EUndoError& e) {
                record.Problem = e.Message();
            }
        }
        records.push_back(std::move(record));
    } while (FindNextFileW(find.get(), &found));
    // By sequence: the time in a name is only what the clock said.
    std::sort(records.begin(), records.end(), [](const TUndoHistoryEntry& a, const TUndoHistoryEntry& b) {
        return a.Sequence != b.Sequence ? a.Sequence > b.Sequence : a.Folder > b.Folder;
    });
    return records;
}

std::optional<TUndone> UndoLatest()
{
    for (const TUndoHistoryEntry& record : UndoHistory()) {
        // A record that cannot be read may be the one to take back: the older ones must wait.
        if (!record.Problem.empty()) {
            throw EUndoError("撤销记录 " + WideToAnsi(record.Folder) + " 无法读取（" + record.Problem + "）");
        }
        if (record.Manifest.State != TUndoState::Undone) return TakeBack(record);
    }
    return std::nullopt;
}

}  // namespace zv

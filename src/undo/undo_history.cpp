#include "undo/undo_history.h"

#include <algorithm>

#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/reg_import.h"
#include "platform/unicode_text.h"
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

void PutBack(const std::wstring& copy, const TUndoFile& file)
{
    const std::wstring path = AnsiToWide(file.Path);
    // Never over a file that has come back since the check.
    if (!CopyFileW(copy.c_str(), path.c_str(), TRUE)) Fail("无法把文件 " + file.Path + " 放回原处", GetLastError());
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

TUndone TakeBack(const TUndoHistoryEntry& record)
{
    const TUndoManifest& manifest = record.Manifest;
    TUndone undone{record, {}};
    std::string cameBack;
    for (const TUndoFile& file : manifest.Files) {
        const std::wstring copy = record.Folder + L"\\" + AnsiToWide(file.Copy);
        const TFileThere there = FileThere(AnsiToWide(file.Path), ReadPart(copy));
        if (there == TFileThere::Other) {
            cameBack += "文件 " + file.Path + " 在删除之后又有了，没有用记录中的副本覆盖它；副本是 " +
                        WideToAnsi(copy) + "。\r\n";
        }
        undone.FileWasBack.push_back(there == TFileThere::Same);
    }
    if (!cameBack.empty()) throw EUndoError(cameBack + "把这样的文件移开后再撤销一次。");

    if (!manifest.Registry.empty()) ApplyRegFile(ParseRegFile(ReadPart(record.Folder + L"\\" + kRegistryFileName)));
    for (size_t i = 0; i < manifest.Files.size(); ++i) {
        if (!undone.FileWasBack[i]) {
            PutBack(record.Folder + L"\\" + AnsiToWide(manifest.Files[i].Copy), manifest.Files[i]);
        }
    }
    TUndoManifest marked = manifest;
    marked.Undone = true;
    WriteManifest(record.Folder, marked);
    undone.Record.Manifest.Undone = true;
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
    // The names start with the time of the change.
    std::sort(records.begin(), records.end(),
              [](const TUndoHistoryEntry& a, const TUndoHistoryEntry& b) { return a.Folder > b.Folder; });
    return records;
}

std::optional<TUndone> UndoLatest()
{
    for (const TUndoHistoryEntry& record : UndoHistory()) {
        // A record that cannot be read may be the one to take back: the older ones must wait.
        if (!record.Problem.empty()) {
            throw EUndoError("撤销记录 " + WideToAnsi(record.Folder) + " 无法读取（" + record.Problem + "）");
        }
        if (!record.Manifest.Undone) return TakeBack(record);
    }
    return std::nullopt;
}

}  // namespace zv

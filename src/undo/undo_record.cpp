#include "undo/undo_record.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/reg_file.h"
#include "platform/sha256.h"
#include "platform/unicode_text.h"

namespace zv {

namespace {

std::wstring& FolderOverride()
{
    static std::wstring folder;
    return folder;
}

[[noreturn]] void Fail(const std::string& what, DWORD error) { throw EUndoError(what + "：" + SystemErrorText(error)); }

std::string KeyText(HKEY root, const std::string& path) { return WideToAnsi(RootName(root)) + "\\" + path; }

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY opened = nullptr;
    const LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | NativeViewFlag(), &opened);
    const TRegKeyHandle key(rc == ERROR_SUCCESS ? opened : nullptr);
    // A key that cannot be opened for another reason is there; reading it tells why it fails.
    return rc != ERROR_FILE_NOT_FOUND;
}

// The key when it exists; otherwise the highest of the key and its parents that does not.
std::wstring HighestMissing(HKEY root, const std::wstring& path)
{
    if (KeyExists(root, path)) return path;
    std::wstring missing = path;
    for (size_t slash = path.rfind(L'\\'); slash != std::wstring::npos && slash > 0;
         slash = path.rfind(L'\\', slash - 1)) {
        const std::wstring parent = path.substr(0, slash);
        if (KeyExists(root, parent)) break;
        missing = parent;
    }
    return missing;
}

std::string TimeText(const SYSTEMTIME& time)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

// A new folder for the record: the UTC time, and a sequence number above every other record's.
std::wstring CreateRecordFolder()
{
    const std::wstring parent = UndoFolder();
    if (!CreateDirectoryW(parent.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) Fail("无法创建撤销记录的文件夹 " + WideToAnsi(parent), error);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long highest = 0;
        WIN32_FIND_DATAW found;
        const TFindHandle find(FindFirstFileW((parent + L"\\*").c_str(), &found));
        if (find) {
            do {
                highest = std::max(highest, RecordSequence(found.cFileName));
            } while (FindNextFileW(find.get(), &found));
        }
        if (highest >= 999999999) throw EUndoError("撤销记录的序号已经用完");
        SYSTEMTIME utc;
        GetSystemTime(&utc);
        wchar_t name[40];
        std::swprintf(name, std::size(name), L"%04u%02u%02u-%02u%02u%02u-%06lu", utc.wYear, utc.wMonth, utc.wDay,
                      utc.wHour, utc.wMinute, utc.wSecond, highest + 1);
        const std::wstring folder = parent + L"\\" + name;
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) Fail("无法创建撤销记录的文件夹 " + WideToAnsi(folder), error);
    }
    throw EUndoError("同一时刻的撤销记录太多");
}

TUndoPart Part(const std::string& name, const std::string& bytes)
{
    return {name, bytes.size(), Sha256Hex(bytes)};
}

// The full path of a file as the window named it: a relative one is relative to the window's
// folder, not the one the undo runs in.
std::string FullPath(const std::string& path)
{
    const std::wstring wide = AnsiToWide(path);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(size + 1, L'\0');
    const DWORD length = size ? GetFullPathNameW(wide.c_str(), size + 1, full.data(), nullptr) : 0;
    if (length == 0 || length > size) Fail("无法读取文件 " + path + " 的完整路径", GetLastError());
    full.resize(length);
    return WideToAnsi(full);
}

bool SameFacts(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b)
{
    return a.dwFileAttributes == b.dwFileAttributes && a.nFileSizeHigh == b.nFileSizeHigh &&
           a.nFileSizeLow == b.nFileSizeLow && CompareFileTime(&a.ftCreationTime, &b.ftCreationTime) == 0 &&
           CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

}  // namespace

std::wstring UndoFolder()
{
    if (!FolderOverride().empty()) return FolderOverride();
    // SHGetFolderPath rather than SHGetKnownFolderPath: the program runs on Windows XP too.
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        throw EUndoError("找不到当前用户的应用程序数据文件夹");
    }
    return std::wstring(path) + L"\\Zorvane";
}

void SetUndoFolder(const std::wstring& folder) { FolderOverride() = folder; }

bool RemoveRecordFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    const TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::wstring path = folder + L"\\" + found.cFileName;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        } while (FindNextFileW(find.get(), &found));
    }
    return RemoveDirectoryW(folder.c_str()) != FALSE;
}

unsigned long RecordSequence(const std::wstring& name)
{
    // yyyymmdd-hhmmss-n: six or more digits of sequence, nine at most.
    if (name.size() < 22 || name.size() > 25 || name[8] != L'-' || name[15] != L'-') return 0;
    unsigned long sequence = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (i == 8 || i == 15) continue;
        if (name[i] < L'0' || name[i] > L'9') return 0;
        if (i > 15) sequence = sequence * 10 + static_cast<unsigned long>(name[i] - L'0');
    }
    return sequence;
}

TUndoRecord::TUndoRecord(std::string action, std::string entry)
{
    m_manifest.Action = std::move(action);
    m_manifest.Entry = std::move(entry);
}

void TUndoRecord::SaveErasedKey(HKEY root, const std::string& path)
{
    m_keys.push_back({TUndoKey::TMode::Tree, root, AnsiToWide(path), {}});
    m_manifest.Registry.push_back(KeyText(root, path) + "（连同子键）");
}

void TUndoRecord::SaveCreatedKey(HKEY root, const std::string& path)
{
    m_keys.push_back({TUndoKey::TMode::Created, root, AnsiToWide(path), {}});
    m_manifest.Registry.push_back(KeyText(root, path) + "（连同子键）");
}

void TUndoRecord::SaveValues(HKEY root, const std::string& path, const std::vector<std::string>& names)
{
    TKeyItem item{TUndoKey::TMode::Values, root, AnsiToWide(path), {}};
    for (const std::string& name : names) {
        item.Names.push_back(AnsiToWide(name));
        m_manifest.Registry.push_back(KeyText(root, path) + (name.empty() ? "，默认值" : "，值 " + name));
    }
    m_keys.push_back(std::move(item));
}

void TUndoRecord::SaveFile(const std::string& path) { m_filePaths.push_back(path); }

std::string TUndoRecord::RegistryFile(std::vector<TUndoKey>& keys) const
{
    TRegFileWriter file;
    file.Comment(L"Zorvane 撤销记录：" + AnsiToWide(m_manifest.Time + " " + m_manifest.Action + " " + m_manifest.Entry));
    file.Comment(L"导入此文件（双击它）即把下列注册表键和值恢复到这次修改之前的样子。");
    if (!m_manifest.Files.empty()) {
        file.Comment(L"这次修改删除的文件不会因导入而恢复：撤销整个修改请用 ZorvaneReport --undo。");
    }
    file.BlankLine();
    keys.clear();
    for (const TKeyItem& item : m_keys) {
        const std::string path = WideToAnsi(item.Path);
        if (item.Mode == TUndoKey::TMode::Values) {
            if (!KeyExists(item.Root, item.Path)) {
                file.SaveValues(item.Root, item.Path, item.Names);  // a comment: nothing to save
                continue;
            }
            TUndoKey key{TUndoKey::TMode::Values, item.Root, path, {}, {}};
            for (const std::wstring& name : item.Names) key.Names.push_back(WideToAnsi(name));
            keys.push_back(std::move(key));
            file.SaveValues(item.Root, item.Path, item.Names);
        } else if (item.Mode == TUndoKey::TMode::Created) {
            const std::wstring missing = HighestMissing(item.Root, item.Path);
            keys.push_back({TUndoKey::TMode::Created, item.Root, WideToAnsi(missing), path, {}});
            if (missing == item.Path && KeyExists(item.Root, item.Path)) keys.back().Mode = TUndoKey::TMode::Tree;
            file.SaveKeyTree(item.Root, missing);
        } else if (KeyExists(item.Root, item.Path)) {
            keys.push_back({TUndoKey::TMode::Tree, item.Root, path, {}, {}});
            file.SaveKeyTree(item.Root, item.Path);
        } else {
            file.Comment(RootName(item.Root) + L"\\" + item.Path + L" 不存在，这次修改不会改动它");
            file.BlankLine();
        }
    }
    return file.Bytes();
}

void TUndoRecord::WriteParts()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    m_manifest.Time = TimeText(now);
    m_manifest.Files.clear();
    m_manifest.Parts.clear();
    m_fileFacts.clear();
    std::vector<std::string> copies;
    for (const std::string& named : m_filePaths) {
        const std::string path = FullPath(named);
        WIN32_FILE_ATTRIBUTE_DATA facts;
        if (!GetFileAttributesExW(AnsiToWide(path).c_str(), GetFileExInfoStandard, &facts)) {
            const DWORD error = GetLastError();
            // Nothing there that a delete could take away.
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) continue;
            Fail("无法读取文件 " + path, error);
        }
        if (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        TUndoFile file;
        file.Path = path;
        file.Copy = "file" + std::to_string(m_manifest.Files.size() + 1);
        file.Attributes = facts.dwFileAttributes;
        file.Created = facts.ftCreationTime;
        file.Accessed = facts.ftLastAccessTime;
        file.Written = facts.ftLastWriteTime;
        std::string bytes;
        DWORD error = 0;
        if (!ReadWholeFile(AnsiToWide(path), bytes, error)) Fail("无法把文件 " + path + " 复制到撤销记录中", error);
        m_manifest.Parts.push_back(Part(file.Copy, bytes));
        copies.push_back(std::move(bytes));
        m_manifest.Files.push_back(file);
        m_fileFacts.push_back(facts);
    }
    m_registryFile = m_keys.empty() ? std::string() : RegistryFile(m_manifest.Keys);
    if (!m_keys.empty()) m_manifest.Parts.insert(m_manifest.Parts.begin(), Part("registry.reg", m_registryFile));

    m_folder = CreateRecordFolder();
    DWORD error = 0;
    if (!m_keys.empty() && !WriteNewFile(m_folder + L"\\" + kRegistryFileName, m_registryFile, error)) {
        Fail("无法写入撤销记录 " + WideToAnsi(m_folder), error);
    }
    for (size_t i = 0; i < copies.size(); ++i) {
        const TUndoFile& file = m_manifest.Files[i];
        if (!WriteNewFile(m_folder + L"\\" + AnsiToWide(file.Copy), copies[i], error)) {
            Fail("无法把文件 " + file.Path + " 复制到撤销记录中", error);
        }
    }
    // The manifest comes last and whole: a folder without one is a record never finished.
    WriteManifest(m_folder, m_manifest);
}

bool TUndoRecord::Write()
{
    if (!m_folder.empty()) return true;
    try {
        WriteParts();
        return true;
    } catch (const std::exception&) {
        if (!m_folder.empty()) RemoveRecordFolder(m_folder);
        m_folder.clear();
        return false;
    }
}

bool TUndoRecord::FilesAsSaved() const
{
    for (size_t i = 0; i < m_manifest.Files.size(); ++i) {
        WIN32_FILE_ATTRIBUTE_DATA now;
        if (!GetFileAttributesExW(AnsiToWide(m_manifest.Files[i].Path).c_str(), GetFileExInfoStandard, &now) ||
            !SameFacts(now, m_fileFacts[i])) {
            return false;
        }
    }
    return true;
}

void TUndoRecord::Settle()
{
    if (m_folder.empty()) return;
    try {
        std::vector<TUndoKey> keys;
        if ((m_keys.empty() ? std::string() : RegistryFile(keys)) != m_registryFile) return;
    } catch (const std::exception&) {
        return;  // what the registry holds now cannot be told: the record may be needed
    }
    if (!FilesAsSaved()) return;
    if (RemoveRecordFolder(m_folder)) m_folder.clear();
}

}  // namespace zv

#include "zvtest.h"

#include <winioctl.h>

#include "platform/unicode_text.h"
#include "ui/application.h"
#include "undo/undo_record.h"

namespace zvtest {

namespace {

// Every right, in the 64-bit view on 64-bit Windows, where the program reads its keys.
REGSAM AllInView() { return KEY_ALL_ACCESS | zv::NativeViewFlag(); }

HKEY Open(HKEY root, const std::string& path, REGSAM access)
{
    HKEY key = nullptr;
    return RegOpenKeyExA(root, path.c_str(), 0, access | zv::NativeViewFlag(), &key) == ERROR_SUCCESS ? key : nullptr;
}

std::string Join(const std::string& a, const std::string& b) { return b.empty() ? a : a + "\\" + b; }

}  // namespace

TRegKeyFixture::TRegKeyFixture(HKEY root, std::string path) : m_root(root), m_path(std::move(path))
{
    DeleteTree(m_root, m_path);
    CreateSub("");
}

TRegKeyFixture::~TRegKeyFixture() { DeleteTree(m_root, m_path); }

void TRegKeyFixture::CreateSub(const std::string& sub) const
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(m_root, Join(m_path, sub).c_str(), 0, nullptr, 0, AllInView(), nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegCloseKey(key);
    } else {
        ADD_FAILURE() << "cannot create " << Join(m_path, sub);
    }
}

void TRegKeyFixture::SetRaw(const std::string& sub, const std::string& name, DWORD type, const void* data,
                            DWORD size) const
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(m_root, Join(m_path, sub).c_str(), 0, nullptr, 0, AllInView(), nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

void TRegKeyFixture::SetText(const std::string& sub, const std::string& name, const std::string& text,
                             DWORD type) const
{
    SetRaw(sub, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void TRegKeyFixture::SetNumber(const std::string& sub, const std::string& name, DWORD value) const
{
    SetRaw(sub, name, REG_DWORD, &value, sizeof(value));
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key = Open(root, path, KEY_READ);
    if (key) RegCloseKey(key);
    return key != nullptr;
}

bool ValueExists(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key = Open(root, path, KEY_READ);
    if (!key) return false;
    const bool found = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

std::string ReadString(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key = Open(root, path, KEY_READ);
    if (!key) return "<no key>";
    DWORD type = 0, size = 0;
    std::string result = "<no value>";
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> data(size + 1, '\0');
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        result = data.data();
    }
    RegCloseKey(key);
    return result;
}

DWORD ReadDword(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key = Open(root, path, KEY_READ);
    DWORD value = 0xDEADBEEF, size = sizeof(value);
    if (key) {
        RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    return value;
}

void DeleteTree(HKEY root, const std::string& path)
{
    // In the 64-bit view on 64-bit Windows, where the program reads its keys.
    zv::DeleteKeyTreeW(root, zv::AnsiToWide(path));
}

std::vector<std::string> EnumSubKeys(HKEY root, const std::string& path)
{
    std::vector<std::string> names;
    HKEY key = Open(root, path, KEY_READ);
    if (!key) return names;
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    RegCloseKey(key);
    return names;
}

std::vector<std::string> EnumValues(HKEY root, const std::string& path)
{
    std::vector<std::string> names;
    HKEY key = Open(root, path, KEY_READ);
    if (!key) return names;
    std::vector<char> name(65536);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        if (RegEnumValueA(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name.data(), len);
    }
    RegCloseKey(key);
    return names;
}

TTempDir::TTempDir()
{
    char base[MAX_PATH + 1];
    GetTempPathA(sizeof(base), base);
    static int counter = 0;
    for (;;) {
        m_path = std::string(base) + "zvtest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
        if (CreateDirectoryA(m_path.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create " << m_path;
            break;
        }
    }
}

TTempDir::~TTempDir() { RemoveTree(m_path); }

std::string TTempDir::File(const std::string& name, const std::string& content) const
{
    const std::string path = m_path + "\\" + name;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << path;
        return path;
    }
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
    return path;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

namespace {

std::wstring Wide(const std::string& text, UINT codePage)
{
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

// The Unix path Wine keeps the folder at, as UTF-8 bytes; empty when Wine cannot tell.
std::string UnixPathOf(const std::string& windowsPath)
{
    using TGetUnixName = char*(CDECL*)(LPCWSTR);
    const auto getUnixName = reinterpret_cast<TGetUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    char* name = getUnixName ? getUnixName(Wide(windowsPath, CP_ACP).c_str()) : nullptr;
    if (!name) {
        ADD_FAILURE() << "no Unix path for " << windowsPath;
        return {};
    }
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

// A path that Wine hands to the Unix file system as it stands: no device name is looked for.
std::wstring UnixForm(const std::string& unixPath) { return L"\\\\?\\unix" + Wide(unixPath, CP_UTF8); }

}  // namespace

TNetworkShare::TNetworkShare()
{
    // The Unix path of C:\ is the prefix's dosdevices\c:, beside which Wine looks for unc.
    m_dosDevices = UnixPathOf("C:\\");
    m_dosDevices.resize(m_dosDevices.rfind('/', m_dosDevices.size() - 2) + 1);
    CreateDirectoryW(UnixForm(m_dosDevices + "unc").c_str(), nullptr);
    CreateDirectoryW(UnixForm(m_dosDevices + "unc/" + kServer).c_str(), nullptr);
    EXPECT_TRUE(CreateDirectoryW(UnixForm(m_dosDevices + "unc/" + kServer + "/" + kShare).c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
}

TNetworkShare::~TNetworkShare()
{
    RemoveTree(std::string("\\\\") + kServer + "\\" + kShare);
    // Each goes only when empty: what else lies there stays.
    RemoveDirectoryW(UnixForm(m_dosDevices + "unc/" + kServer + "/" + kShare).c_str());
    RemoveDirectoryW(UnixForm(m_dosDevices + "unc/" + kServer).c_str());
    RemoveDirectoryW(UnixForm(m_dosDevices + "unc").c_str());
}

std::string TNetworkShare::File(const std::string& name) const
{
    const std::string path = std::string("\\\\") + kServer + "\\" + kShare + "\\" + name;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << path;
    } else {
        CloseHandle(h);
    }
    return path;
}

namespace {

// Wine's own extension of the mount manager, as its configuration tool uses it.
struct TMountManagerDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineDrive(char letter, UINT type, const std::string& unixMountPoint)
{
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) return false;
    std::vector<char> input(sizeof(TMountManagerDrive) + unixMountPoint.size() + 1, '\0');
    auto* drive = reinterpret_cast<TMountManagerDrive*>(input.data());
    drive->size = static_cast<ULONG>(input.size());
    drive->type = type;
    drive->letter = static_cast<WCHAR>(letter);
    if (!unixMountPoint.empty()) {
        drive->mountPointOffset = sizeof(TMountManagerDrive);
        unixMountPoint.copy(input.data() + sizeof(TMountManagerDrive), unixMountPoint.size());
    }
    DWORD returned = 0;
    const bool done = DeviceIoControl(manager, kDefineUnixDrive, input.data(), static_cast<DWORD>(input.size()),
                                      nullptr, 0, &returned, nullptr) != FALSE;
    CloseHandle(manager);
    return done;
}

}  // namespace

TRemoteDrive::TRemoteDrive() { Define(); }

void TRemoteDrive::Define()
{
    const DWORD used = GetLogicalDrives();
    for (char letter = 'R'; letter < 'Z' && !m_letter; ++letter) {
        if (!(used & (1u << (letter - 'A')))) m_letter = letter;
    }
    ASSERT_NE(m_letter, 0) << "no free drive letter";
    ASSERT_TRUE(DefineDrive(m_letter, DRIVE_REMOTE, UnixPathOf(m_folder.Path())));
    const char root[] = {m_letter, ':', '\\', '\0'};
    ASSERT_EQ(GetDriveTypeA(root), static_cast<UINT>(DRIVE_REMOTE));
}

TRemoteDrive::~TRemoteDrive()
{
    if (m_letter) DefineDrive(m_letter, DRIVE_NO_ROOT_DIR, {});
}

std::string TRemoteDrive::File(const std::string& name) const
{
    m_folder.File(name);
    return std::string(1, m_letter) + ":\\" + name;
}

TDeviceNamedFile::TDeviceNamedFile(const std::string& folder, const std::string& name)
    : m_path(folder + "\\" + name), m_unixPath(UnixPathOf(folder) + "/" + name)
{
    HANDLE h = CreateFileW(UnixForm(m_unixPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << m_unixPath;
        return;
    }
    CloseHandle(h);
}

TDeviceNamedFile::~TDeviceNamedFile() { DeleteFileW(UnixForm(m_unixPath).c_str()); }

std::vector<std::string> TPathRecorder::paths;
std::vector<TPathRecorder::TIconCall> TPathRecorder::iconCalls;

namespace {

zv::TShellApi g_recorded;

void Note(LPCSTR path) { TPathRecorder::paths.push_back(path ? path : "<null>"); }

HANDLE WINAPI RecordFindFirstFile(LPCSTR path, LPWIN32_FIND_DATAA data)
{
    Note(path);
    return g_recorded.FindFirstFile(path, data);
}
DWORD_PTR WINAPI RecordGetFileInfo(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags)
{
    Note(path);
    TPathRecorder::iconCalls.push_back({path ? path : "<null>", flags});
    return g_recorded.GetFileInfo(path, attributes, info, size, flags);
}
BOOL WINAPI RecordShellExecuteEx(SHELLEXECUTEINFOA* info)
{
    Note(info->lpFile);
    return g_recorded.ShellExecuteEx(info);
}
BOOL WINAPI RecordDeleteFile(LPCSTR path)
{
    Note(path);
    return g_recorded.DeleteFile(path);
}
DWORD WINAPI RecordVersionInfoSize(LPCSTR path, LPDWORD handle)
{
    Note(path);
    return g_recorded.GetFileVersionInfoSize(path, handle);
}
BOOL WINAPI RecordVersionInfo(LPCSTR path, DWORD handle, DWORD size, LPVOID data)
{
    Note(path);
    return g_recorded.GetFileVersionInfo(path, handle, size, data);
}

}  // namespace

TPathRecorder::TPathRecorder() : m_saved(zv::ShellApi())
{
    paths.clear();
    iconCalls.clear();
    g_recorded = m_saved;
    zv::TShellApi& api = zv::ShellApi();
    api.FindFirstFile = RecordFindFirstFile;
    api.GetFileInfo = RecordGetFileInfo;
    api.ShellExecuteEx = RecordShellExecuteEx;
    api.DeleteFile = RecordDeleteFile;
    api.GetFileVersionInfoSize = RecordVersionInfoSize;
    api.GetFileVersionInfo = RecordVersionInfo;
}

TPathRecorder::~TPathRecorder() { zv::ShellApi() = m_saved; }

std::vector<std::string> TPathRecorder::Holding(const std::string& part) const
{
    auto lower = [](std::string s) {
        for (char& c : s) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return s;
    };
    std::vector<std::string> found;
    for (const std::string& path : paths) {
        if (lower(path).find(lower(part)) != std::string::npos) found.push_back(path);
    }
    return found;
}

TUndoFolderSeam::TUndoFolderSeam(const std::string& folder) : m_previous(zv::UndoFolder())
{
    zv::SetUndoFolder(zv::AnsiToWide(folder));
}

TUndoFolderSeam::~TUndoFolderSeam() { zv::SetUndoFolder(m_previous); }

TUndoRecordsFixture::TUndoRecordsFixture() : m_path(zv::WideToAnsi(zv::UndoFolder())) { RemoveTree(m_path); }

TUndoRecordsFixture::~TUndoRecordsFixture() { RemoveTree(m_path); }

TMessageRecorder::TMessageRecorder(zv::Tfm_main& form) : m_form(form)
{
    m_form.MessageBoxHook = [this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
        boxes.push_back({text, caption, type, owner});
        if (m_answers.empty()) return IDOK;
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    };
    zv::Application.ErrorBoxHook = [this](HWND owner, const std::string& text, const std::string& caption,
                                          UINT type) {
        // Whatever raised it, the standard error box is the application's: its title, the error
        // icon and one OK button.
        EXPECT_EQ(caption, "Zorvane") << text;
        EXPECT_EQ(type, static_cast<UINT>(MB_OK | MB_ICONERROR)) << text;
        errors.push_back(text);
        errorBoxes.push_back({text, caption, type, owner});
    };
}

TMessageRecorder::~TMessageRecorder()
{
    m_form.MessageBoxHook = nullptr;
    zv::Application.ErrorBoxHook = nullptr;
}

std::string TreeItemText(HWND tree, HTREEITEM item)
{
    std::vector<char> text(4096, '\0');
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text.data();
    tv.cchTextMax = static_cast<int>(text.size());
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return "<no item>";
    return text.data();
}

std::vector<std::string> TreeChildTexts(HWND tree, HTREEITEM parent)
{
    std::vector<std::string> texts;
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        texts.push_back(TreeItemText(tree, item));
    }
    return texts;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > end) return false;
        PumpMessages();
        Sleep(5);
    }
    return true;
}

}  // namespace zvtest

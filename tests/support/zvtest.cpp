#include "zvtest.h"

#include "platform/unicode_text.h"
#include "ui/application.h"
#include "undo/undo_record.h"

namespace zvtest {

namespace {

HKEY Open(HKEY root, const std::string& path, REGSAM access)
{
    HKEY key = nullptr;
    return RegOpenKeyExA(root, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
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
    if (RegCreateKeyExA(m_root, Join(m_path, sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
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
    ASSERT_EQ(RegCreateKeyExA(m_root, Join(m_path, sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
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
    HKEY key = Open(root, path, KEY_ALL_ACCESS);
    if (!key) return;
    RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyA(root, path.c_str());
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

TUndoRecordsFixture::TUndoRecordsFixture() : m_path(zv::WideToAnsi(zv::UndoFolder())) { RemoveTree(m_path); }

TUndoRecordsFixture::~TUndoRecordsFixture() { RemoveTree(m_path); }

TUndoFolderSeam::TUndoFolderSeam(const std::string& folder) { zv::SetUndoFolder(zv::AnsiToWide(folder)); }

TUndoFolderSeam::~TUndoFolderSeam() { zv::SetUndoFolder(L""); }

TMessageRecorder::TMessageRecorder(zv::Tfm_main& form) : m_form(form)
{
    m_form.MessageBoxHook = [this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
        boxes.push_back({text, caption, type, owner});
        if (m_answers.empty()) return IDOK;
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    };
    zv::Application.ErrorBoxHook = [this](const std::string& text) { errors.push_back(text); };
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

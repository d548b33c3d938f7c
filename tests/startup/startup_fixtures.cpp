#include "startup_fixtures.h"

#include <cstring>
#include <memory>
#include <type_traits>

#include "../zarlib_lnk/shell_link_maker.h"
#include "platform/cmdline.h"
#include "plugins/node_data.h"
#include "startup/startup_folders.h"

namespace zvtest {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

namespace {

struct TKeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using TKey = std::unique_ptr<std::remove_pointer_t<HKEY>, TKeyCloser>;

TKey OpenRunKey(HKEY root)
{
    HKEY key = nullptr;
    const REGSAM sam = KEY_ALL_ACCESS | zv::NativeViewFlag();
    if (RegCreateKeyExA(root, kRunKey, 0, nullptr, 0, sam, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot open the Run key";
        return TKey();
    }
    return TKey(key);
}

// Creates every missing folder of `path`, recording the outermost one it created.
void CreateFolders(const std::string& path, std::vector<std::string>& created)
{
    bool first = true;
    for (size_t at = path.find('\\', 3);; at = path.find('\\', at + 1)) {
        const std::string part = path.substr(0, at);
        if (CreateDirectoryA(part.c_str(), nullptr) && first) {
            created.push_back(part);
            first = false;
        }
        if (at == std::string::npos) break;
    }
}

}  // namespace

TRunKeyFixture::TRunKeyFixture(HKEY root) : m_root(root), m_existed(KeyExists(root, kRunKey))
{
    TKey key = OpenRunKey(root);
    if (!key) return;
    for (const std::string& name : EnumValues(root, kRunKey)) {
        DWORD type = 0, size = 0;
        RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
        TSavedValue saved{name, type, std::vector<BYTE>(size)};
        RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, saved.data.data(), &size);
        m_saved.push_back(std::move(saved));
    }
    ClearValues();
}

TRunKeyFixture::~TRunKeyFixture()
{
    ClearValues();
    if (!m_existed) {
        RegDeleteKeyExA(m_root, kRunKey, zv::NativeViewFlag(), 0);
        return;
    }
    TKey key = OpenRunKey(m_root);
    for (const TSavedValue& v : m_saved) {
        RegSetValueExA(key.get(), v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    }
}

void TRunKeyFixture::ClearValues() const
{
    TKey key = OpenRunKey(m_root);
    for (const std::string& name : EnumValues(m_root, kRunKey)) RegDeleteValueA(key.get(), name.c_str());
}

void TRunKeyFixture::SetText(const std::string& name, const std::string& data, DWORD type) const
{
    TKey key = OpenRunKey(m_root);
    EXPECT_EQ(RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1)),
              ERROR_SUCCESS);
}

void TRunKeyFixture::SetNumber(const std::string& name, DWORD value) const
{
    TKey key = OpenRunKey(m_root);
    EXPECT_EQ(RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof(value)),
              ERROR_SUCCESS);
}

void TRunKeyFixture::Remove(const std::string& name) const
{
    TKey key = OpenRunKey(m_root);
    RegDeleteValueA(key.get(), name.c_str());
}

TStartupFoldersFixture::TStartupFoldersFixture()
{
    const zv::TStartupFolders folders =
        zv::StartupFolderPaths(zv::WindowsDirectory().substr(0, 2), zv::CurrentUserName());
    currentUser = folders.currentUser;
    allUsers = folders.allUsers;
    windowsStartMenu = folders.windowsStartMenu;
    for (const std::string* path : {&currentUser, &allUsers, &windowsStartMenu}) {
        // A folder left by an earlier run would add items the test does not expect.
        EXPECT_EQ(GetFileAttributesA(path->c_str()), INVALID_FILE_ATTRIBUTES) << *path << " already exists";
        CreateFolders(*path, m_created);
    }
}

TStartupFoldersFixture::~TStartupFoldersFixture()
{
    for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) RemoveTree(*it);
}

std::string TStartupFoldersFixture::File(const std::string& folder, const std::string& name, DWORD attributes)
{
    const std::string path = folder + "\\" + name;
    EXPECT_TRUE(zvtest::WriteBytes(path, {'M', 'Z'})) << path;
    if (attributes) SetFileAttributesA(path.c_str(), attributes);
    return path;
}

std::vector<TShellExecuteRecorder::TCall> TShellExecuteRecorder::calls;

TShellExecuteRecorder::TShellExecuteRecorder() : m_saved(zv::ShellApi())
{
    calls.clear();
    zv::ShellApi().ShellExecuteEx = [](SHELLEXECUTEINFOA* info) WINAPI -> BOOL {
        calls.push_back({info->lpVerb ? info->lpVerb : "", info->lpFile ? info->lpFile : "", info->fMask,
                         info->hwnd, info->nShow});
        return FALSE;
    };
}

TShellExecuteRecorder::~TShellExecuteRecorder() { zv::ShellApi() = m_saved; }

std::string ProgramWithBlank(const TTempDir& dir)
{
    CreateDirectoryA((dir.Path() + "\\My App").c_str(), nullptr);
    return dir.File("My App\\app.exe", "MZ");
}

RECT ItemRect(HWND tree, const zv::TTreeNode* node, bool labelOnly)
{
    // The message takes the item in the rectangle's first bytes and returns the rectangle there.
    RECT r{};
    HTREEITEM item = node->ItemId();
    std::memcpy(&r, &item, sizeof(item));
    if (!SendMessageA(tree, TVM_GETITEMRECT, labelOnly, reinterpret_cast<LPARAM>(&r))) return RECT{};
    return r;
}

zv::TTreeNode* FindItem(zv::TTreeView& tree, const std::string& itemName)
{
    for (zv::TTreeNode* node : tree.Nodes()) {
        if (node->Level() == 1 && node->Data && node->Data->ItemName == itemName) return node;
    }
    return nullptr;
}

std::vector<std::string> ItemNames(const zv::TTreeNode* group)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < group->Count(); ++i) {
        const zv::TTreeNode* item = group->Item(i);
        names.push_back(item->Data ? item->Data->ItemName : "<no record>");
    }
    return names;
}

}  // namespace zvtest

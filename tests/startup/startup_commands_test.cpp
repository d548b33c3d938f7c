// The startup list's commands: the delete button's state, deletion with its messages, and the
// file properties a double click opens.
#include <winternl.h>

#include "platform/unicode_text.h"
#include "plugins/node_data.h"
#include "startup_fixtures.h"

namespace {

using zv::TNodeData;
using zv::TTreeNode;
using zvtest::FindItem;
using zvtest::TShellExecuteRecorder;
using zvtest::TStartupFoldersFixture;
using zvtest::TStartupPlaces;

// A form whose startup list was scanned without a window; its records are disposed at the end.
struct TScannedForm {
    TScannedForm() { f.ScanStartupItems(); }
    ~TScannedForm() { f.FreeTreeData(&f.tree_start); }
    zv::Tfm_main f;
};

bool Selected(zv::Tfm_main& f, TTreeNode* node)
{
    f.tree_start.Select(node);
    return f.bt_delstart.Enabled();
}

TEST(StartupCommands, DeleteButtonFollowsTheSelection)
{
    TStartupPlaces places;
    places.userRun.SetText("ZvNamed", "notepad.exe");
    places.machineRun.SetText("", "notepad.exe");
    TStartupFoldersFixture::File(places.folders.currentUser, "tool.exe");
    TScannedForm form;
    zv::Tfm_main& f = form.f;
    ASSERT_EQ(f.tree_start.TopCount(), 3u);

    EXPECT_FALSE(f.bt_delstart.Enabled()) << "disabled at creation";
    EXPECT_TRUE(Selected(f, FindItem(f.tree_start, "ZvNamed")));
    EXPECT_FALSE(Selected(f, f.tree_start.TopItem(0))) << "a group";
    EXPECT_TRUE(Selected(f, FindItem(f.tree_start, "tool.exe")));
    EXPECT_FALSE(Selected(f, f.tree_start.TopItem(1)->Item(0))) << "the unnamed default value";
    EXPECT_TRUE(Selected(f, FindItem(f.tree_start, "tool.exe")));
    EXPECT_FALSE(Selected(f, nullptr));

    // A rescan takes the selection with it, and the button follows.
    EXPECT_TRUE(Selected(f, FindItem(f.tree_start, "tool.exe")));
    f.ScanStartupItems();
    EXPECT_EQ(f.tree_start.Selected(), nullptr);
    EXPECT_FALSE(f.bt_delstart.Enabled());
}

TEST(StartupCommands, DeletesARunValueAfterConfirmation)
{
    TStartupPlaces places;
    places.userRun.SetText("ZvKeep", "notepad.exe");
    places.userRun.SetText("ZvRemove", "notepad.exe /x");
    TScannedForm form;
    zv::Tfm_main& f = form.f;
    zvtest::TMessageRecorder rec(f);
    TTreeNode* group = f.tree_start.TopItem(0);
    f.tree_start.Select(FindItem(f.tree_start, "ZvRemove"));

    rec.Answer(IDCANCEL);
    f.bt_delstart.Click();
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "你确定要删除 “ZvRemove” 这个启动项目吗？");
    EXPECT_EQ(rec.boxes[0].caption, "提示");
    EXPECT_EQ(rec.boxes[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_TRUE(zvtest::ValueExists(HKEY_CURRENT_USER, zvtest::kRunKey, "ZvRemove"));
    EXPECT_EQ(group->Count(), 2u);

    const long records = TNodeData::LiveCount();
    rec.Answer(IDOK);
    f.bt_delstart.Click();
    ASSERT_EQ(rec.boxes.size(), 3u);
    EXPECT_EQ(rec.boxes[2].text, "删除完毕！");
    EXPECT_EQ(rec.boxes[2].type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_FALSE(zvtest::ValueExists(HKEY_CURRENT_USER, zvtest::kRunKey, "ZvRemove"));
    EXPECT_TRUE(zvtest::ValueExists(HKEY_CURRENT_USER, zvtest::kRunKey, "ZvKeep"));
    EXPECT_EQ(FindItem(f.tree_start, "ZvRemove"), nullptr);
    EXPECT_EQ(TNodeData::LiveCount(), records - 1);
    // The selection moves on and the button follows it: to the group, once its last item goes.
    EXPECT_EQ(f.tree_start.Selected(), group);
    EXPECT_FALSE(f.bt_delstart.Enabled());

    f.tree_start.Select(FindItem(f.tree_start, "ZvKeep"));
    f.bt_delstart.Click();
    EXPECT_EQ(group->Count(), 0u);
    EXPECT_EQ(f.tree_start.TopItem(0), group) << "an emptied group stays until the next scan";
}

TEST(StartupCommands, DeletesAFolderEntryThroughTheShellSeam)
{
    TStartupPlaces places;
    const std::string removed = TStartupFoldersFixture::File(places.folders.allUsers, "a.exe");
    const std::string kept = TStartupFoldersFixture::File(places.folders.allUsers, "b.exe");
    // A name that the path functions trim to another entry's: only the \\?\ form makes it.
    const std::string plain = TStartupFoldersFixture::File(places.folders.currentUser, "c.exe");
    struct TDottedFile {
        std::wstring path;
        explicit TDottedFile(const std::string& plainPath) : path(L"\\\\?\\" + zv::AnsiToWide(plainPath) + L".")
        {
            CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        }
        ~TDottedFile() { DeleteFileW(path.c_str()); }
    } dotted(plain);
    ASSERT_NE(GetFileAttributesW(dotted.path.c_str()), INVALID_FILE_ATTRIBUTES);
    TScannedForm form;
    zv::Tfm_main& f = form.f;
    zvtest::TMessageRecorder rec(f);

    f.tree_start.Select(FindItem(f.tree_start, "c.exe."));
    f.bt_delstart.Click();
    ASSERT_EQ(rec.boxes.size(), 2u);
    EXPECT_EQ(rec.boxes[1].text, "删除失败！");
    EXPECT_EQ(rec.boxes[1].type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_NE(GetFileAttributesA(plain.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(dotted.path.c_str()), INVALID_FILE_ATTRIBUTES);
    rec.boxes.clear();

    f.tree_start.Select(FindItem(f.tree_start, "a.exe"));
    f.bt_delstart.Click();
    ASSERT_EQ(rec.boxes.size(), 2u);
    EXPECT_EQ(rec.boxes[1].text, "删除完毕！");
    EXPECT_EQ(GetFileAttributesA(removed.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(kept.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FindItem(f.tree_start, "a.exe"), nullptr);
    EXPECT_EQ(f.tree_start.Selected(), FindItem(f.tree_start, "b.exe"));
    EXPECT_TRUE(f.bt_delstart.Enabled());

    // A file the system will not delete (in use, read-only, no rights): nothing changes.
    struct TFailingDelete {
        zv::TShellApi saved = zv::ShellApi();
        TFailingDelete()
        {
            zv::ShellApi().DeleteFile = [](LPCSTR) WINAPI -> BOOL {
                SetLastError(ERROR_ACCESS_DENIED);
                return FALSE;
            };
        }
        ~TFailingDelete() { zv::ShellApi() = saved; }
    } failing;
    f.bt_delstart.Click();
    ASSERT_EQ(rec.boxes.size(), 4u);
    EXPECT_EQ(rec.boxes[3].text, "删除失败！");
    EXPECT_EQ(rec.boxes[3].type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_NE(GetFileAttributesA(kept.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_NE(FindItem(f.tree_start, "b.exe"), nullptr);
    EXPECT_NE(FindItem(f.tree_start, "b.exe")->Data, nullptr);
}

TEST(StartupCommands, EntriesGoneSinceTheScanFailToDelete)
{
    TStartupPlaces places;
    places.machineRun.SetText("ZvGone", "notepad.exe");
    const std::string file = TStartupFoldersFixture::File(places.folders.windowsStartMenu, "gone.exe");
    TScannedForm form;
    zv::Tfm_main& f = form.f;
    zvtest::TMessageRecorder rec(f);
    places.machineRun.Remove("ZvGone");
    DeleteFileA(file.c_str());

    for (const char* name : {"ZvGone", "gone.exe"}) {
        rec.boxes.clear();
        TTreeNode* node = FindItem(f.tree_start, name);
        f.tree_start.Select(node);
        f.bt_delstart.Click();
        ASSERT_EQ(rec.boxes.size(), 2u) << name;
        EXPECT_EQ(rec.boxes[1].text, "删除失败！") << name;
        EXPECT_EQ(FindItem(f.tree_start, name), node) << "the row stays";
        EXPECT_NE(node->Data, nullptr);
    }
}

// Value names that the ANSI functions cannot hand over whole: one with a zero byte inside reads
// as the name before it, one with a character outside the code page reads as "?", one that the
// code page holds only by best fit reads as its look-alike beside the real one. Deleting any of
// those rows would remove another value. Each row shows its own command line, and its question
// is shown whole.
TEST(StartupCommands, NamesThatReachAnotherValueAreNeverDeleted)
{
    TStartupPlaces places;
    places.userRun.SetText("ZvHelper", "notepad.exe");
    // A name the Win32 functions cannot write: the native call takes a counted name.
    using TSetValue = LONG(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, void*, ULONG);
    using TDeleteValue = LONG(NTAPI*)(HANDLE, UNICODE_STRING*);
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto setValue =
        reinterpret_cast<TSetValue>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtSetValueKey")));
    const auto deleteValue =
        reinterpret_cast<TDeleteValue>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtDeleteValueKey")));
    ASSERT_TRUE(setValue && deleteValue);
    const std::vector<std::wstring> odd = {std::wstring(L"ZvHelper\0x", 10), L"Zv\U0001F600", L"Zv??",
                                           L"ZvOffice\u00B2", L"ZvOffice2"};
    struct TOddValues {
        const std::vector<std::wstring>& names;
        TDeleteValue remove;
        HKEY key = nullptr;
        TOddValues(const std::vector<std::wstring>& n, TSetValue set, TDeleteValue del) : names(n), remove(del)
        {
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_ALL_ACCESS,
                          &key);
            for (const std::wstring& name : names) {
                UNICODE_STRING u{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2),
                                 const_cast<wchar_t*>(name.data())};
                wchar_t data[] = L"calc.exe";
                set(key, &u, 0, REG_SZ, data, sizeof(data));
            }
        }
        bool Has(const std::wstring& name) const
        {
            // A counted name is found by listing, not by a NUL-terminated query.
            wchar_t buffer[64];
            for (DWORD i = 0;; ++i) {
                DWORD length = 64;
                if (RegEnumValueW(key, i, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
                    return false;
                }
                if (std::wstring(buffer, length) == name) return true;
            }
        }
        ~TOddValues()
        {
            for (const std::wstring& name : names) {
                UNICODE_STRING u{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2),
                                 const_cast<wchar_t*>(name.data())};
                remove(key, &u);
            }
            RegCloseKey(key);
        }
    } values(odd, setValue, deleteValue);
    for (const std::wstring& name : odd) ASSERT_TRUE(values.Has(name));

    TScannedForm form;
    zv::Tfm_main& f = form.f;
    zvtest::TMessageRecorder rec(f);
    TTreeNode* group = f.tree_start.TopItem(0);
    ASSERT_EQ(group->Count(), 6u);
    for (size_t i = 0; i < group->Count(); ++i) {
        TTreeNode* row = group->Item(i);
        if (row->Data->ValueName == "ZvHelper") continue;
        f.tree_start.Select(row);
        ASSERT_TRUE(f.bt_delstart.Enabled());
        EXPECT_EQ(row->Data->CommandLine, "calc.exe");
        f.bt_delstart.Click();
        ASSERT_GE(rec.boxes.size(), 2u);
        EXPECT_EQ(rec.boxes[rec.boxes.size() - 2].text.find('\0'), std::string::npos);
        EXPECT_EQ(rec.boxes.back().text, "删除失败！");
        EXPECT_EQ(rec.boxes.back().type, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_EQ(group->Item(i), row);
    }
    EXPECT_EQ(rec.boxes.size(), 10u);
    EXPECT_TRUE(zvtest::ValueExists(HKEY_CURRENT_USER, zvtest::kRunKey, "ZvHelper"));
    for (const std::wstring& name : odd) EXPECT_TRUE(values.Has(name));
}

TEST(StartupCommands, DoubleClickOpensThePropertiesOfTheFileTheCommandRuns)
{
    TStartupPlaces places;
    zvtest::TTempDir dir;
    const std::string app = zvtest::ProgramWithBlank(dir);
    places.userRun.SetText("ZvApp", "\"" + app + "\" /min");
    places.userRun.SetText("ZvMissing", "C:\\nowhere\\gone.exe");
    TScannedForm form;
    zv::Tfm_main& f = form.f;
    TShellExecuteRecorder shell;

    f.tree_start.Select(FindItem(f.tree_start, "ZvApp"));
    f.tree_startDblClick(&f.tree_start);
    ASSERT_EQ(TShellExecuteRecorder::calls.size(), 1u);
    const TShellExecuteRecorder::TCall& call = TShellExecuteRecorder::calls[0];
    EXPECT_EQ(call.file, app);
    EXPECT_EQ(call.verb, "properties");
    EXPECT_EQ(call.mask, static_cast<ULONG>(SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS));
    EXPECT_EQ(call.owner, nullptr);
    EXPECT_EQ(call.show, SW_SHOW);

    for (TTreeNode* nothingToOpen : {FindItem(f.tree_start, "ZvMissing"), f.tree_start.TopItem(0)}) {
        f.tree_start.Select(nothingToOpen);
        f.tree_startDblClick(&f.tree_start);
    }
    f.tree_start.Select(nullptr);
    f.tree_startDblClick(&f.tree_start);
    EXPECT_EQ(TShellExecuteRecorder::calls.size(), 1u);
}

}  // namespace

// Both registry views of a 64-bit Windows: one fixture plants each place in each view; both
// pages list every entry in its own view, an action reaches only its entry's view, the report
// program's undo puts each back there, and a file only in the native system folder is found.
// On a 32-bit Windows the same fixture lands in its one view and shows as it always did.
#include "actions_support.h"

#include "platform/cmdline.h"
#include "platform/unicode_text.h"
#include "program_run.h"
#include "report/report_options.h"

using actionstest::TLiveForm;
using zv::TTreeNode;

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kToolbars[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const char kHelpers[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\";
const char kHooks[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";
const char kUnits[] = "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units\\";
const char kClasses[] = "SOFTWARE\\Classes\\CLSID\\";
const size_t kHelperCategory = 0, kToolbarCategory = 1, kActiveXCategory = 5, kHookCategory = 99;

bool Windows64()
{
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

// One view's places, its class identifiers ending in the view's number.
struct TViewRow {
    REGSAM flag;
    const char* view;      // as the JSON names it
    const char* runTitle;  // the startup group on 64-bit Windows
    std::string Id(int kind) const
    {
        return std::string("{5A0C1D2E-0023-4C3B-9D7E-ACA710A5E") + std::to_string(kind) + view + "}";
    }
    std::string Name(const char* kind) const { return std::string("Zv View ") + kind + " " + view; }
};
const TViewRow kViews[] = {
    {KEY_WOW64_64KEY, "64", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {KEY_WOW64_32KEY, "32", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"},
};

// Keys and values planted in one view through the system's own calls, removed at the end with
// every key that was missing before.
class TViewPlants {
public:
    explicit TViewPlants(REGSAM view) : m_view(view) {}
    TViewPlants(const TViewPlants&) = delete;
    TViewPlants& operator=(const TViewPlants&) = delete;
    ~TViewPlants()
    {
        for (const auto& [path, name] : m_values) {
            if (const actionstest::TKeyHandle key = Open(path, KEY_SET_VALUE)) RegDeleteValueA(key.get(), name.c_str());
        }
        for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) {
            if (const actionstest::TKeyHandle key = Open(*it, KEY_ALL_ACCESS)) RegDeleteTreeA(key.get(), nullptr);
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, it->c_str(), m_view, 0);
        }
    }
    void Text(const std::string& path, const std::string& name, const std::string& text)
    {
        for (size_t slash = path.find('\\');; slash = path.find('\\', slash + 1)) {
            const std::string part = path.substr(0, slash);
            if (!Open(part, KEY_READ)) {
                m_created.push_back(part);
                break;
            }
            if (slash == std::string::npos) break;
        }
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | m_view, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        const actionstest::TKeyHandle owner(key);
        ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
        m_values.emplace_back(path, name);
    }
    bool Has(const std::string& path, const std::string& name) const
    {
        const actionstest::TKeyHandle key = Open(path, KEY_READ);
        return key && RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

private:
    actionstest::TKeyHandle Open(const std::string& path, REGSAM access) const
    {
        HKEY key = nullptr;
        const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | m_view, &key);
        return actionstest::TKeyHandle(rc == ERROR_SUCCESS ? key : nullptr);
    }
    REGSAM m_view;
    std::vector<std::string> m_created;
    std::vector<std::pair<std::string, std::string>> m_values;
};

// A file in the native system folder only, put there with the redirection off.
class TNativeSystemFile {
public:
    TNativeSystemFile() : path(zv::WindowsDirectory() + "\\system32\\zvnative23.dll")
    {
        const TRedirectionOff off;
        const zv::TKernelHandle file(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(file);
    }
    ~TNativeSystemFile()
    {
        const TRedirectionOff off;
        DeleteFileA(path.c_str());
    }
    const std::string path;

private:
    struct TRedirectionOff {
        PVOID saved = nullptr;
        BOOL off = Wow64DisableWow64FsRedirection(&saved);
        ~TRedirectionOff()
        {
            if (off) Wow64RevertWow64FsRedirection(saved);
        }
    };
};

struct TViewsFixture {
    TViewsFixture()
    {
        for (size_t v = 0; v < 2; ++v) {
            TViewPlants& p = *plants[v];
            const TViewRow& row = kViews[v];
            p.Text(kRun, "ZvView" + std::string(row.view), native.path + " /tray");
            p.Text(kToolbars, row.Id(1), "");
            p.Text(kClasses + row.Id(1), "", row.Name("Bar"));
            p.Text(kClasses + row.Id(1) + "\\InprocServer32", "", native.path);
            p.Text(kHelpers + row.Id(2), "", "");
            p.Text(kClasses + row.Id(2), "", row.Name("Helper"));
            p.Text(kUnits + row.Id(3), "", "");
            p.Text(kClasses + row.Id(3), "", row.Name("Control"));
            p.Text(kHooks, row.Id(4), "");
            p.Text(kClasses + row.Id(4), "", row.Name("Hook"));
        }
        // A control the 32-bit browser used: per-user statistics, shared by the views, and a
        // class in the 32-bit view only.
        plants[1]->Text(kClasses + kViews[1].Id(5), "", kViews[1].Name("Used"));
    }
    TNativeSystemFile native;
    zvtest::TRegKeyFixture stats{HKEY_CURRENT_USER,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\" + kViews[1].Id(5)};
    std::unique_ptr<TViewPlants> plants[2] = {std::make_unique<TViewPlants>(KEY_WOW64_64KEY),
                                              std::make_unique<TViewPlants>(KEY_WOW64_32KEY)};
};

TTreeNode* Child(TTreeNode* parent, const std::string& prefix)
{
    for (size_t i = 0; parent && i < parent->Count(); ++i) {
        if (parent->Item(i)->Text().rfind(prefix, 0) == 0) return parent->Item(i);
    }
    return nullptr;
}

TTreeNode* Item(TTreeNode* group, const std::string& name)
{
    for (size_t i = 0; group && i < group->Count(); ++i) {
        if (group->Item(i)->Data && group->Item(i)->Data->ItemName == name) return group->Item(i);
    }
    return nullptr;
}

TTreeNode* Group(zv::Tfm_main& f, const std::string& title)
{
    for (size_t g = 0; g < f.tree_start.TopCount(); ++g) {
        TTreeNode* group = f.tree_start.TopItem(g);
        if (group->Data && group->Data->ItemName == title) return group;
    }
    return nullptr;
}

}  // namespace

TEST(ActionsViews, EachViewIsListedActedOnAndUndoneInItself)
{
    const zvtest::TUndoRecordsFixture records;
    const bool two = Windows64();
    TViewsFixture fx;
    {
        TLiveForm live;
        zv::Tfm_main& f = live.form();
        // Plug-in page: each entry in its own category, the 32-bit view's naming its key.
        for (const size_t category : {kToolbarCategory, kHelperCategory, kActiveXCategory, kHookCategory}) {
            for (size_t v = 0; v < 2; ++v) {
                const char* kind = category == kToolbarCategory  ? "Bar"
                                   : category == kHelperCategory ? "Helper"
                                   : category == kActiveXCategory ? "Control"
                                                                  : "Hook";
                TTreeNode* entry = live.Entry(category, kViews[v].Name(kind));
                ASSERT_NE(entry, nullptr) << kind << v;
                const zv::TNodeData& data = *entry->Data;
                const bool wow = two && v == 1;
                EXPECT_EQ(data.View, !two ? zv::TRegView::Only : wow ? zv::TRegView::Wow32 : zv::TRegView::Native);
                EXPECT_EQ(data.KeyPath.find("Wow6432Node") != std::string::npos, wow) << data.KeyPath;
                EXPECT_EQ(Child(entry, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\") != nullptr, wow) << kind << v;
            }
        }
        const TTreeNode* used = live.Entry(kActiveXCategory, kViews[1].Name("Used"));
        ASSERT_NE(used, nullptr);
        EXPECT_EQ(used->Data->View, two ? zv::TRegView::Wow32 : zv::TRegView::Only);
        // The native-only file: found through a 64-bit view entry, not through a 32-bit one.
        const zv::TNodeData& bar64 = *live.Entry(kToolbarCategory, kViews[0].Name("Bar"))->Data;
        const zv::TNodeData& bar32 = *live.Entry(kToolbarCategory, kViews[1].Name("Bar"))->Data;
        EXPECT_TRUE(zv::FileExists(bar64.FileName, 0, bar64.FileView()));
        EXPECT_EQ(zv::FileExists(bar32.FileName, 0, bar32.FileView()), !two);

        // Startup page: a group per view of the machine's Run key.
        f.QkTabs1TabActive(nullptr, 1);
        for (size_t v = 0; v < 2; ++v) {
            const char* title = two ? kViews[v].runTitle : kViews[0].runTitle;
            EXPECT_NE(Item(Group(f, title), "ZvView" + std::string(kViews[v].view)), nullptr) << title;
        }
        EXPECT_EQ(Group(f, kViews[1].runTitle) != nullptr, two);

        // One action in each view: the 32-bit view's Run value, the 64-bit view's toolbar.
        f.tree_start.Select(Item(Group(f, two ? kViews[1].runTitle : kViews[0].runTitle), "ZvView32"));
        live.rec().Answer(IDOK);
        f.bt_delstartClick(&f.bt_delstart);
        f.m_tree.Select(live.Entry(kToolbarCategory, kViews[0].Name("Bar")));
        live.rec().Answer(IDOK);
        f.bt_deleteClick(&f.bt_delete);
        ASSERT_EQ(live.rec().boxes.size(), 4u);
        EXPECT_EQ(live.rec().boxes[1].text, "删除完毕！");
        EXPECT_EQ(live.rec().boxes[3].text, "删除完毕！");
    }
    EXPECT_FALSE(fx.plants[1]->Has(kRun, "ZvView32"));
    EXPECT_TRUE(fx.plants[0]->Has(kRun, "ZvView64"));
    EXPECT_FALSE(fx.plants[0]->Has(kToolbars, kViews[0].Id(1)));
    EXPECT_TRUE(fx.plants[1]->Has(kToolbars, kViews[1].Id(1)));

    // The report names each entry's view, and its undo puts each back in its own.
    const zvtest::TRunResult json = zvtest::RunReport({"--json"});
    EXPECT_NE(json.out.find(std::string("\"view\": ") + (two ? "\"32\"" : "null") +
                            ",\n      \"keyPath\": \"SOFTWARE\\\\" + (two ? "Wow6432Node\\\\" : "") +
                            "Microsoft\\\\Internet Explorer\\\\Toolbar\""),
              std::string::npos);
    // The backup names the 32-bit view's class and control keys by their real path.
    const zvtest::TTempDir temp;
    const std::string backupFile = temp.Path() + "\\views.reg";
    EXPECT_EQ(zvtest::RunReport({"--backup", backupFile}).exitCode, 0u);
    const std::string bytes = zvtest::ReadFileBytes(backupFile);
    const std::wstring backup(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    for (const wchar_t* key : {L"SOFTWARE\\Classes\\Wow6432Node\\CLSID\\{5A0C1D2E-0023-4C3B-9D7E-ACA710A5E332}]",
                               L"SOFTWARE\\Wow6432Node\\Microsoft\\Code Store Database\\Distribution Units\\"
                               L"{5A0C1D2E-0023-4C3B-9D7E-ACA710A5E332}]"}) {
        EXPECT_EQ(backup.find(key) != std::wstring::npos, two) << zv::WideToAnsi(key);
    }
    for (int change = 0; change < 2; ++change) {
        EXPECT_EQ(zvtest::RunReport({"--undo"}).exitCode, static_cast<DWORD>(zv::kExitDone));
    }
    EXPECT_TRUE(fx.plants[1]->Has(kRun, "ZvView32"));
    EXPECT_TRUE(fx.plants[0]->Has(kToolbars, kViews[0].Id(1)));
}

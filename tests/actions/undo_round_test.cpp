// Every change the window makes is recorded before it is made, and taken back by the report
// program's --undo: a round of changes through the real window, undone record by record, leaves
// the registry and the files exactly as they were. A change whose record cannot be written is
// not made.
#include "actions_support.h"

#include "platform/cmdline.h"
#include "platform/unicode_text.h"
#include "plugins/action_keys.h"
#include "program_run.h"
#include "report/report_options.h"
#include "startup/startup_folders.h"

using actionstest::TLiveForm;
using actionstest::TRegistryScratch;
using zv::TTreeNode;

namespace {

const char kToolbar[] = "{5A0C1D2E-0016-4C3B-9D7E-ACA710A5E001}";
const char kHelper[] = "{5A0C1D2E-0016-4C3B-9D7E-ACA710A5E002}";
const char kControl[] = "{5A0C1D2E-0016-4C3B-9D7E-ACA710A5E003}";
const char kHelpersKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
const char kLockKey[] = "Policies\\Microsoft\\Internet Explorer\\Control Panel";
const size_t kHelpers = 0, kToolbars = 1, kActiveX = 5;

// Everything the round's changes can reach, read whole through the wide functions, and the
// files with their attributes, times and bytes. The time of last access is left out: reading
// the bytes to compare them changes it.
struct TFileFacts {
    DWORD attributes;
    uint64_t created, written, size;
    std::string bytes;
    bool operator==(const TFileFacts&) const = default;
};

struct TState {
    std::vector<zvtest::TRegSnapshot> keys;
    std::vector<TFileFacts> files;
    bool operator==(const TState&) const = default;
};

uint64_t Ticks(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

TState ReadState(const std::vector<std::string>& files)
{
    const std::vector<std::pair<HKEY, std::wstring>> places = {
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Internet Explorer"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Code Store Database"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\CLSID\\" + zv::AnsiToWide(kToolbar)},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Ext"},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved"},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer"},
        {HKEY_CURRENT_USER, L"Policies"},
    };
    TState state;
    for (const auto& [root, path] : places) state.keys.push_back(zvtest::RegSnapshot(root, path));
    for (const std::string& file : files) {
        WIN32_FILE_ATTRIBUTE_DATA facts{};
        GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &facts);
        state.files.push_back({facts.dwFileAttributes, Ticks(facts.ftCreationTime), Ticks(facts.ftLastWriteTime),
                               (static_cast<uint64_t>(facts.nFileSizeHigh) << 32) | facts.nFileSizeLow,
                               zvtest::ReadFileBytes(file)});
    }
    return state;
}

// The current user's startup folder, made for the test where it is missing and removed again.
class TUserStartupFolder {
public:
    TUserStartupFolder()
        : m_path(zv::StartupFolderPaths(zv::PathDrive(zv::WindowsDirectory()), zv::CurrentUserName()).currentUser)
    {
        for (size_t slash = m_path.find('\\', 3);; slash = m_path.find('\\', slash + 1)) {
            const std::string part = m_path.substr(0, slash);
            if (CreateDirectoryA(part.c_str(), nullptr)) m_created.push_back(part);
            if (slash == std::string::npos) break;
        }
    }
    ~TUserStartupFolder()
    {
        for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) zvtest::RemoveTree(*it);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::vector<std::string> m_created;
};

// What the round changes: a toolbar with its class and server file, a helper object, a
// control, a Run value of the expandable type, a hidden file in the startup folder, the home
// page and its lock.
class TRoundFixture {
public:
    TRoundFixture()
    {
        actionstest::RegisterClass(scratch, kToolbar, "Zv Round Bar", server);
        scratch.Text(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kToolbar + "\\Zv Sub", "Zv",
                     "below the class");
        scratch.Text(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, kToolbar, "");
        scratch.Text(HKEY_LOCAL_MACHINE, std::string(kHelpersKey) + "\\" + kHelper + "\\Zv Sub", "Zv", "sub");
        scratch.Number(HKEY_LOCAL_MACHINE, std::string(actionstest::kDistributionUnits) + kControl, "Zv", 7);
        scratch.Text(HKEY_LOCAL_MACHINE, std::string(actionstest::kDistributionUnits) + kControl +
                                             "\\DownloadInformation",
                     "CODEBASE", "http://zv.test/round.cab");
        scratch.Number(HKEY_CURRENT_USER, std::string(actionstest::kExtStats) + kControl + "\\iexplore", "Type", 1);
        scratch.Claim(HKEY_CURRENT_USER, std::string(actionstest::kExtSettings) + kToolbar);
        scratch.Claim(HKEY_LOCAL_MACHINE, std::string(actionstest::kCompatibility) + kToolbar);
        scratch.Number(HKEY_CURRENT_USER, std::string(kLockKey) + "\\Zv Deeper", "HomePage", 1);
        const actionstest::TKeyHandle run = actionstest::OpenKey(HKEY_CURRENT_USER, kRunKey, KEY_SET_VALUE, true);
        const char command[] = "%SystemRoot%\\zvround.exe /tray";
        RegSetValueExA(run.get(), "ZvRound", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(command), sizeof(command));
        startupFile = startup.Path() + "\\卓凡 round.bat";
        scratch.Mark(HKEY_CURRENT_USER, zv::ApprovedRunKey, "ZvRound", 3);
        scratch.Mark(HKEY_CURRENT_USER, zv::ApprovedFolderKey, "卓凡 round.bat", 2);
        const zv::TKernelHandle file(CreateFileA(startupFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                 FILE_ATTRIBUTE_HIDDEN, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), "@echo round\r\n", 13, &written, nullptr);
    }
    ~TRoundFixture()
    {
        actionstest::DeleteValue(HKEY_CURRENT_USER, kRunKey, "ZvRound");
        SetFileAttributesA(startupFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(startupFile.c_str());
    }

    actionstest::TKeyBackup main{HKEY_CURRENT_USER, kMainKey};
    actionstest::TKeyBackup policies{HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer"};
    zvtest::TTempDir dir;
    const std::string server = dir.File("zvround.dll", std::string("MZ\0\x90 round", 9));
    TUserStartupFolder startup;
    std::string startupFile;
    TRegistryScratch scratch;
};

TTreeNode* StartupItem(zv::Tfm_main& f, const std::string& name)
{
    for (TTreeNode* node : f.tree_start.Nodes()) {
        if (node->Level() == 1 && node->Data && node->Data->ItemName == name) return node;
    }
    return nullptr;
}

// Selects the node through the tree view and clicks the button, answering its question with
// `answer`; gives the text of the result box.
std::string Act(TLiveForm& live, zv::TTreeView& tree, TTreeNode* node, zv::TButton& button, int answer = IDOK)
{
    EXPECT_NE(node, nullptr);
    if (!node) return {};
    tree.Select(node);
    live.rec().Answer(answer);
    EXPECT_TRUE(live.Click(button));
    return live.rec().boxes.empty() ? std::string() : live.rec().boxes.back().text;
}

}  // namespace

TEST(ActionsUndo, ARoundOfChangesThroughTheWindowIsTakenBackWhole)
{
    const zvtest::TUndoRecordsFixture records;
    TRoundFixture fx;
    const std::vector<std::string> files = {fx.server, fx.startupFile};
    const TState before = ReadState(files);

    {
        TLiveForm live;
        zv::Tfm_main& f = live.form();
        zv::TTreeView& tree = f.m_tree;
        EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_onoff), "Zv Round Bar [启用] 已经禁用！");
        EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_onoff), "Zv Round Bar [已禁用] 已经启用！");
        EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_onoff), "Zv Round Bar [启用] 已经禁用！");
        EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_delfile, IDYES), fx.server + " 删除完成！");
        EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_delactivex, IDYES),
                  "Zv Round Bar [已禁用] 注销完成！");
        EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_delete), "删除完毕！");
        EXPECT_EQ(Act(live, tree, live.Entry(kHelpers, kHelper), f.bt_delete), "删除完毕！");
        EXPECT_EQ(Act(live, tree, live.Entry(kActiveX, kControl), f.bt_delete), "删除完毕！");
        live.rec().Answer(IDOK);
        f.mu_resetstartpageClick(&f.mu_resetstartpage);
        EXPECT_EQ(live.rec().boxes.back().text, "主页地址已经恢复为 about:blank ！");
        f.QkTabs1TabActive(nullptr, 1);
        EXPECT_EQ(Act(live, f.tree_start, StartupItem(f, "ZvRound"), f.bt_delstart), "删除完毕！");
        EXPECT_EQ(Act(live, f.tree_start, StartupItem(f, "卓凡 round.bat"), f.bt_delstart), "删除完毕！");
        EXPECT_TRUE(live.rec().errors.empty());
    }
    EXPECT_FALSE(ReadState(files) == before);
    EXPECT_FALSE(zv::FileExists(fx.server));
    EXPECT_FALSE(zvtest::ValueExists(HKEY_CURRENT_USER, kRunKey, "ZvRound"));
    // Task Manager's marks went with the items, so that a program added again is not kept off.
    EXPECT_FALSE(zvtest::ValueExists(HKEY_CURRENT_USER, zv::ApprovedRunKey, "ZvRound"));
    EXPECT_FALSE(zvtest::ValueExists(HKEY_CURRENT_USER, zv::ApprovedFolderKey, "卓凡 round.bat"));

    // One record per change, taken back newest first; after the last one, nothing is left.
    for (int change = 11; change > 0; --change) {
        const zvtest::TRunResult run = zvtest::RunReport({"--undo"});
        ASSERT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << change << ": " << run.err;
    }
    const zvtest::TRunResult last = zvtest::RunReport({"--undo"});
    EXPECT_EQ(last.exitCode, static_cast<DWORD>(zv::kExitNothingToUndo)) << last.err;
    EXPECT_TRUE(ReadState(files) == before);
}

TEST(ActionsUndo, WithoutItsRecordNoChangeIsMade)
{
    TRoundFixture fx;
    const std::vector<std::string> files = {fx.server, fx.startupFile};
    const TState before = ReadState(files);
    // A folder whose parent is missing: the records cannot be written there.
    const zvtest::TUndoFolderSeam unwritable(fx.dir.Path() + "\\没有\\Zorvane");

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    zv::TTreeView& tree = f.m_tree;
    EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_onoff), "Zv Round Bar [启用] 禁用失败！");
    EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_delfile, IDYES), fx.server + " 删除失败！");
    EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_delactivex, IDYES),
              "Zv Round Bar [启用] 注销失败！");
    EXPECT_EQ(Act(live, tree, live.Entry(kToolbars, "Zv Round Bar"), f.bt_delete), "删除失败！");
    EXPECT_EQ(Act(live, tree, live.Entry(kActiveX, kControl), f.bt_delete), "删除失败！");
    live.rec().Answer(IDOK);
    f.mu_resetstartpageClick(&f.mu_resetstartpage);
    EXPECT_EQ(live.rec().boxes.back().text, "主页地址修改失败！");
    f.QkTabs1TabActive(nullptr, 1);
    EXPECT_EQ(Act(live, f.tree_start, StartupItem(f, "ZvRound"), f.bt_delstart), "删除失败！");
    EXPECT_EQ(Act(live, f.tree_start, StartupItem(f, "卓凡 round.bat"), f.bt_delstart), "删除失败！");
    for (const zvtest::TShownBox& box : live.rec().boxes) EXPECT_EQ(box.caption, "提示");
    EXPECT_TRUE(ReadState(files) == before);
    EXPECT_TRUE(live.rec().errors.empty());
}

// A delete and a home page restore made while the keys they erase were missing, then changes
// of other programs beside them: undone, the changes do not touch those.
TEST(ActionsUndo, UndoLeavesAloneWhatTheChangeFoundMissing)
{
    const zvtest::TUndoRecordsFixture records;
    TRoundFixture fx;
    const std::string settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
    const actionstest::TKeyBackup settingsBackup(HKEY_CURRENT_USER, settings);
    zvtest::DeleteTree(HKEY_CURRENT_USER, settings);
    zvtest::DeleteTree(HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer");
    {
        TLiveForm live;
        zv::Tfm_main& f = live.form();
        EXPECT_EQ(Act(live, f.m_tree, live.Entry(kActiveX, kControl), f.bt_delete), "删除完毕！");
        live.rec().Answer(IDOK);
        f.mu_resetstartpageClick(&f.mu_resetstartpage);
        EXPECT_EQ(live.rec().boxes.back().text, "主页地址已经恢复为 about:blank ！");
    }
    // The browser's own manager disables an add-on; a policy is set.
    fx.scratch.Number(HKEY_CURRENT_USER, settings + "\\" + kToolbar, "Flags", 1);
    fx.scratch.Number(HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer\\Zv Later", "Zv", 1);
    for (int change = 2; change > 0; --change) {
        const zvtest::TRunResult run = zvtest::RunReport({"--undo"});
        ASSERT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << change << ": " << run.err;
    }
    EXPECT_EQ(zvtest::ReadDword(HKEY_CURRENT_USER, settings + "\\" + kToolbar, "Flags"), 1u);
    EXPECT_EQ(zvtest::ReadDword(HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer\\Zv Later", "Zv"), 1u);
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kDistributionUnits) + kControl));
}

// The startup scan against the real registry and the real startup folders of the prefix.
#include <algorithm>

#include "../zarlib_lnk/shell_link_maker.h"
#include "plugins/node_data.h"
#include "startup/startup_folders.h"
#include "startup_fixtures.h"

namespace {

using zv::TNodeData;
using zv::TTreeNode;
using zvtest::FindItem;
using zvtest::ItemNames;
using zvtest::TStartupFoldersFixture;
using zvtest::TStartupPlaces;

const char kUserRunTitle[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kMachineRunTitle[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

const TNodeData& Record(const TTreeNode* node)
{
    if (node && node->Data) return *node->Data;
    ADD_FAILURE() << "a node without a record";
    static const TNodeData none;
    return none;
}

std::vector<std::string> Titles(zv::TTreeView& tree)
{
    std::vector<std::string> titles;
    for (size_t i = 0; i < tree.TopCount(); ++i) titles.push_back(Record(tree.TopItem(i)).ItemName);
    return titles;
}

TEST(StartupScan, FivePlacesInOrderWithTheirRecords)
{
    TStartupPlaces places;
    zvtest::TTempDir dir;
    const std::string app = zvtest::ProgramWithBlank(dir);
    places.userRun.SetText("ZvQuoted", "\"" + app + "\" /min");
    places.userRun.SetText("ZvMissing", "C:\\nowhere\\gone.exe");
    places.userRun.SetText("中文项目", "notepad.exe");
    places.userRun.SetText("ZvExpand", "%windir%\\notepad.exe", REG_EXPAND_SZ);
    places.machineRun.SetText("ZvMachine", "rundll32.exe shell32.dll,Control_RunDLL");

    const std::string& userFolder = places.folders.currentUser;
    {
        zvtest::TComScope com;
        ASSERT_TRUE(zvtest::SaveShellLink(userFolder + "\\App.lnk", app, "/tray"));
    }
    TStartupFoldersFixture::File(userFolder, "DESKTOP.INI");
    TStartupFoldersFixture::File(userFolder, "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    TStartupFoldersFixture::File(userFolder, "system.dat", FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA((userFolder + "\\子目录").c_str(), nullptr);
    TStartupFoldersFixture::File(places.folders.allUsers, "Desktop.ini");
    const std::string tool = TStartupFoldersFixture::File(places.folders.windowsStartMenu, "tool.exe");

    const long before = TNodeData::LiveCount();
    zv::Tfm_main f;
    f.ScanStartupItems();
    zv::TTreeView& tree = f.tree_start;

    // The all users' folder holds nothing but desktop.ini: no group.
    ASSERT_EQ(Titles(tree), (std::vector<std::string>{kUserRunTitle, kMachineRunTitle, userFolder,
                                                       places.folders.windowsStartMenu}));
    EXPECT_EQ(TNodeData::LiveCount() - before, static_cast<long>(tree.Count()));
    for (size_t i = 0; i < tree.TopCount(); ++i) {
        const TTreeNode* group = tree.TopItem(i);
        EXPECT_TRUE(group->Expanded());
        EXPECT_EQ(group->ImageIndex(), i < 2 ? 0 : 1);
        EXPECT_EQ(group->SelectedIndex(), group->ImageIndex());
    }
    for (const TTreeNode* node : tree.Nodes()) EXPECT_EQ(node->Text(), "..");

    EXPECT_EQ(ItemNames(tree.TopItem(0)), zvtest::EnumValues(HKEY_CURRENT_USER, zvtest::kRunKey));
    EXPECT_EQ(ItemNames(tree.TopItem(1)), (std::vector<std::string>{"ZvMachine"}));
    EXPECT_EQ(ItemNames(tree.TopItem(2)), (std::vector<std::string>{"App.lnk", "hidden.txt", "system.dat", "子目录"}));
    EXPECT_EQ(ItemNames(tree.TopItem(3)), (std::vector<std::string>{"tool.exe"}));

    const TNodeData& quoted = Record(FindItem(tree, "ZvQuoted"));
    EXPECT_EQ(quoted.RootKey, zv::kHkeyCurrentUser);
    EXPECT_EQ(quoted.KeyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(quoted.ValueName, "ZvQuoted");
    EXPECT_EQ(quoted.CommandLine, "\"" + app + "\" /min");
    EXPECT_EQ(quoted.FileName, "");
    EXPECT_EQ(Record(FindItem(tree, "ZvExpand")).CommandLine, "%windir%\\notepad.exe");
    const TNodeData& machine = Record(FindItem(tree, "ZvMachine"));
    EXPECT_EQ(machine.RootKey, zv::kHkeyLocalMachine);
    EXPECT_EQ(machine.KeyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");

    const TNodeData& link = Record(FindItem(tree, "App.lnk"));
    EXPECT_EQ(link.RootKey, 0u);
    EXPECT_EQ(link.KeyPath, "");
    EXPECT_EQ(link.ValueName, "");
    EXPECT_EQ(link.FileName, userFolder + "\\App.lnk");
    EXPECT_EQ(link.CommandLine, "\"" + app + "\" /tray");
    EXPECT_EQ(Record(FindItem(tree, "tool.exe")).FileName, tool);
    EXPECT_EQ(Record(FindItem(tree, "子目录")).CommandLine, "\"" + userFolder + "\\子目录\"");
    for (const TTreeNode* node : tree.Nodes()) {
        const TNodeData& d = Record(node);
        EXPECT_EQ(d.Clsid, "");
        EXPECT_EQ(d.Deletable + d.IsActiveX + d.CanDisable, 0);
    }

    // A file that yields no icon shows the folder picture; one that does, a picture of its own.
    EXPECT_EQ(FindItem(tree, "ZvMissing")->ImageIndex(), 1);
    EXPECT_GE(FindItem(tree, "ZvQuoted")->ImageIndex(), 2);
    EXPECT_GE(FindItem(tree, "中文项目")->ImageIndex(), 2);
    EXPECT_GE(FindItem(tree, "App.lnk")->ImageIndex(), 2);

    f.FreeTreeData(&tree);
    EXPECT_EQ(TNodeData::LiveCount(), before);
}

TEST(StartupScan, EmptyPlacesAndDefaultValues)
{
    TStartupPlaces places;
    TStartupFoldersFixture::File(places.folders.currentUser, "desktop.ini");
    const long before = TNodeData::LiveCount();
    zv::Tfm_main f;
    f.ScanStartupItems();
    EXPECT_EQ(f.tree_start.Count(), 0u);
    EXPECT_EQ(TNodeData::LiveCount(), before) << "the records of the dropped groups are disposed";

    // The key's unnamed default value is an item without a name.
    places.machineRun.SetText("", "notepad.exe");
    f.ScanStartupItems();
    ASSERT_EQ(Titles(f.tree_start), std::vector<std::string>{kMachineRunTitle});
    ASSERT_EQ(f.tree_start.TopItem(0)->Count(), 1u);
    const TNodeData& item = Record(f.tree_start.TopItem(0)->Item(0));
    EXPECT_EQ(item.ValueName, "");
    EXPECT_EQ(item.ItemName, "");
    EXPECT_EQ(item.CommandLine, "notepad.exe");
    f.FreeTreeData(&f.tree_start);
}

TEST(StartupScan, NonTextValueEndsTheScan)
{
    TStartupPlaces places;
    places.userRun.SetText("ZvA", "notepad.exe");
    places.userRun.SetNumber("ZvB", 1);
    places.userRun.SetText("ZvC", "notepad.exe");
    places.machineRun.SetText("ZvM", "notepad.exe");
    TStartupFoldersFixture::File(places.folders.currentUser, "tool.exe");
    ASSERT_EQ(zvtest::EnumValues(HKEY_CURRENT_USER, zvtest::kRunKey), (std::vector<std::string>{"ZvA", "ZvB", "ZvC"}));

    const long before = TNodeData::LiveCount();
    {
        zv::Tfm_main f;
        zvtest::TMessageRecorder rec(f);
        f.CreateForm(false);
        // The window's creation stops at the scan: the plug-in list stays unbuilt.
        ASSERT_EQ(rec.errors.size(), 1u);
        EXPECT_EQ(rec.errors[0].rfind("Invalid data type for 'ZvB'", 0), 0u) << rec.errors[0];
        EXPECT_EQ(f.m_tree.Count(), 0u);

        zv::FireEvent([&] { f.mu_refreshClick(&f.mu_refresh); });
        ASSERT_EQ(rec.errors.size(), 2u);
        EXPECT_EQ(rec.errors[1], rec.errors[0]);
        // The group being filled keeps what it has, neither opened nor dropped; nothing after it.
        ASSERT_EQ(Titles(f.tree_start), std::vector<std::string>{kUserRunTitle});
        EXPECT_FALSE(f.tree_start.TopItem(0)->Expanded());
        EXPECT_EQ(ItemNames(f.tree_start.TopItem(0)), std::vector<std::string>{"ZvA"});
        for (const TTreeNode* node : f.tree_start.Nodes()) EXPECT_NE(node->Data, nullptr);

        places.userRun.Remove("ZvB");
        zv::FireEvent([&] { f.mu_refreshClick(&f.mu_refresh); });
        EXPECT_EQ(rec.errors.size(), 2u);
        EXPECT_EQ(Titles(f.tree_start),
                  (std::vector<std::string>{kUserRunTitle, kMachineRunTitle, places.folders.currentUser}));
        // Without a window nothing destroys it; the program's own disposal is called instead.
        f.FormDestroy(&f);
    }
    EXPECT_EQ(TNodeData::LiveCount(), before);
}

TEST(StartupScan, PicturesAreTrimmedAtEachScan)
{
    TStartupPlaces places;
    places.userRun.SetText("ZvNotepad", "notepad.exe");
    places.userRun.SetText("ZvMissing", "C:\\nowhere\\gone.exe");
    for (const char* name : {"one.exe", "two.exe", "three.txt"}) {
        TStartupFoldersFixture::File(places.folders.allUsers, name);
    }

    zv::Tfm_main f;
    ASSERT_EQ(f.img_start.Count(), 2) << "the window's own two pictures";
    // Pictures from 2 on belong to the items with an icon, one each, in the order they were added.
    auto expectOwnPictures = [&] {
        int next = 2;
        for (const TTreeNode* node : f.tree_start.Nodes()) {
            if (node->Level() == 1 && node->ImageIndex() >= 2) {
                EXPECT_EQ(node->ImageIndex(), next++);
            }
        }
        EXPECT_EQ(f.img_start.Count(), next);
        return next - 2;
    };
    f.ScanStartupItems();
    EXPECT_EQ(expectOwnPictures(), 4);
    f.ScanStartupItems();
    EXPECT_EQ(expectOwnPictures(), 4);

    DeleteFileA((places.folders.allUsers + "\\two.exe").c_str());
    f.ScanStartupItems();
    EXPECT_EQ(expectOwnPictures(), 3);
    f.FreeTreeData(&f.tree_start);
}

// The current user's startup folder as the shell names it, pointed elsewhere for one test.
class TShellStartupFolder {
public:
    explicit TShellStartupFolder(const std::string& folder)
    {
        DWORD size = sizeof(m_saved);
        m_had = RegGetValueA(HKEY_CURRENT_USER, kShellFolders, "Startup", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                             nullptr, m_saved, &size) == ERROR_SUCCESS;
        Set(folder);
    }
    ~TShellStartupFolder()
    {
        if (m_had) Set(m_saved);
    }

private:
    static constexpr char kShellFolders[] =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static void Set(const std::string& folder)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Startup", REG_EXPAND_SZ, folder.c_str(),
                        static_cast<DWORD>(folder.size() + 1));
    }
    char m_saved[MAX_PATH * 2] = {};
    bool m_had = false;
};

TEST(StartupScan, ShellStartupFoldersFollowTheOthersEachDirectoryOnce)
{
    TStartupPlaces places;
    zvtest::TTempDir dir;
    const std::string& userFolder = places.folders.currentUser;
    TStartupFoldersFixture::File(userFolder, "user.exe");
    const std::string shellFolder = dir.Path() + "\\启动";
    ASSERT_TRUE(CreateDirectoryA(shellFolder.c_str(), nullptr));
    TStartupFoldersFixture::File(shellFolder, "shell.exe");
    // The user's folder again, spelt otherwise.
    std::string respelt = userFolder.substr(0, 2) + "\\." + userFolder.substr(2) + "\\";
    respelt.replace(respelt.find("Documents and Settings"), 22, "DOCUMENTS AND SETTINGS");
    const struct {
        std::string shellNames;
        std::vector<std::string> titles;
    } rows[] = {
        {shellFolder, {userFolder, shellFolder}},
        {respelt, {userFolder}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shellNames);
        const TShellStartupFolder shell(row.shellNames);
        zv::Tfm_main f;
        f.ScanStartupItems();
        ASSERT_EQ(Titles(f.tree_start), row.titles);
        EXPECT_EQ(ItemNames(f.tree_start.TopItem(0)), std::vector<std::string>{"user.exe"});
        if (row.titles.size() > 1) {
            EXPECT_EQ(ItemNames(f.tree_start.TopItem(1)), std::vector<std::string>{"shell.exe"});
            EXPECT_EQ(Record(FindItem(f.tree_start, "shell.exe")).FileName, shellFolder + "\\shell.exe");
        }
        f.FreeTreeData(&f.tree_start);
    }
}

TEST(StartupFolders, PathsFromTheDriveOfTheWindowsDirectory)
{
    EXPECT_EQ(zv::PathDrive("C:\\windows"), "C:");
    EXPECT_EQ(zv::PathDrive("D:\\WINNT"), "D:");
    EXPECT_EQ(zv::PathDrive("\\\\server\\share\\windows"), "\\\\server\\share");
    EXPECT_EQ(zv::PathDrive("\\\\server\\share"), "\\\\server\\share");
    // The second byte of 乗 is a backslash's code: it does not end the server name.
    EXPECT_EQ(zv::PathDrive("\\\\乗\\共享\\windows"), "\\\\乗\\共享");
    EXPECT_EQ(zv::PathDrive("windows"), "");

    const zv::TStartupFolders d = zv::StartupFolderPaths("D:", "张三");
    EXPECT_EQ(d.currentUser, "D:\\Documents and Settings\\张三\\「开始」菜单\\程序\\启动");
    EXPECT_EQ(d.allUsers, "D:\\Documents and Settings\\All Users\\「开始」菜单\\程序\\启动");
    EXPECT_EQ(d.windowsStartMenu, "D:\\WINDOWS\\Start Menu\\Programs\\启动");
}

}  // namespace

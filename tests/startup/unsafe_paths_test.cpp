// Startup items that name network paths or devices: listed as they are, with the "no icon"
// picture, and never handed to a file, shell or version call, nor deleted through a device.
// Under Wine the network paths below reach real files, and COM1 a serial port that may block.
#include "../zarlib_lnk/shell_link_maker.h"
#include "plugins/node_data.h"
#include "startup_fixtures.h"

namespace {

using zv::TTreeNode;
using zvtest::FindItem;

const char* const kUnsafe[] = {"ZvUnc", "ZvSlashes", "ZvLongUnc", "ZvDrive", "ZvCom", "ZvComFolder", "网络.lnk",
                               "com.lnk", "com1.exe"};

}  // namespace

TEST(StartupUnsafePaths, ListedWithoutIconsAndNeverOpened)
{
    zvtest::TStartupPlaces places;
    zvtest::TNetworkShare share;
    zvtest::TRemoteDrive remote;
    const std::string unc = share.File("zvrun.exe");
    places.userRun.SetText("ZvUnc", unc + " /autorun");
    places.userRun.SetText("ZvSlashes", "\"//zvnet/share/zvrun.exe\" /s");
    places.userRun.SetText("ZvLongUnc", "\\\\?\\UNC\\zvnet\\share\\zvrun.exe");
    places.userRun.SetText("ZvDrive", remote.File("zvrun.exe"));
    places.machineRun.SetText("ZvCom", "COM1");
    places.machineRun.SetText("ZvComFolder", "C:\\zvdir\\com1.exe -q");
    places.machineRun.SetText("ZvLocal", "notepad.exe");
    const std::string& folder = places.folders.currentUser;
    {
        zvtest::TComScope com;
        ASSERT_TRUE(zvtest::SaveShellLink(folder + "\\网络.lnk", unc, "/s"));
        ASSERT_TRUE(zvtest::SaveShellLink(folder + "\\com.lnk", "C:\\zvdir\\com1.exe"));
    }
    const zvtest::TDeviceNamedFile device(folder, "com1.exe");

    zvtest::TShellExecuteRecorder shell;
    zvtest::TPathRecorder recorder;
    zv::Tfm_main f;
    zvtest::TMessageRecorder rec(f);
    f.ScanStartupItems();

    for (const char* name : kUnsafe) {
        const TTreeNode* item = FindItem(f.tree_start, name);
        ASSERT_NE(item, nullptr) << name;
        EXPECT_EQ(item->ImageIndex(), 1) << name;
    }
    EXPECT_EQ(FindItem(f.tree_start, "ZvUnc")->Data->CommandLine, unc + " /autorun");
    EXPECT_EQ(FindItem(f.tree_start, "网络.lnk")->Data->CommandLine, unc + " /s");
    EXPECT_EQ(FindItem(f.tree_start, "com1.exe")->Data->FileName, device.Path());
    EXPECT_EQ(FindItem(f.tree_start, "com1.exe")->Data->CommandLine, "");

    // Nothing the user does with them opens them either.
    for (const char* name : kUnsafe) {
        f.tree_start.Select(FindItem(f.tree_start, name));
        f.tree_startDblClick(&f.tree_start);
    }
    EXPECT_TRUE(zvtest::TShellExecuteRecorder::calls.empty());
    rec.Answer(IDOK);
    f.tree_start.Select(FindItem(f.tree_start, "com1.exe"));
    f.bt_delstart.Click();
    ASSERT_EQ(rec.boxes.size(), 2u);
    EXPECT_EQ(rec.boxes[1].text, "删除失败！");
    EXPECT_NE(FindItem(f.tree_start, "com1.exe"), nullptr);

    for (const char* part : {"zvnet", "zvrun", "com1"}) {
        EXPECT_EQ(recorder.Holding(part), std::vector<std::string>{}) << part;
    }
    // What may be opened still is: the recorder sees it.
    EXPECT_GE(FindItem(f.tree_start, "ZvLocal")->ImageIndex(), 2);
    EXPECT_FALSE(recorder.Holding("notepad.exe").empty());
    f.FreeTreeData(&f.tree_start);
}

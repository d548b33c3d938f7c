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

// A file type whose icon handler the registry names, for one test.
struct TIconHandlerType {
    TIconHandlerType()
    {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.zvicon", nullptr, REG_SZ, "ZvIconFile", 11);
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\ZvIconFile\\shellex\\IconHandler", nullptr, REG_SZ,
                        "{5A0B7E4C-0000-4000-8000-00005A0B7E4C}", 39);
    }
    ~TIconHandlerType()
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.zvicon");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\ZvIconFile");
    }
};

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

TEST(StartupUnsafePaths, IconsAreBuiltFromContentsOnlyWhereNothingPointsElsewhere)
{
    zvtest::TStartupPlaces places;
    zvtest::TNetworkShare share;
    const TIconHandlerType handlerType;
    zvtest::TTempDir dir;
    const std::string& folder = places.folders.currentUser;
    const std::string shareIcon = share.File("x.ico");
    const std::vector<zvtest::Bytes> notepad = {zvtest::ClassItem(), zvtest::DriveItem("C:\\"),
                                                zvtest::FileEntryItem("WINDOWS", L"windows"),
                                                zvtest::FileEntryItem("NOTEPAD.EXE", L"notepad.exe", 9, false)};
    const std::vector<zvtest::Bytes> onShare = {zvtest::ClassItem(CLSID_NetworkPlaces),
                                                zvtest::ShellItem(0x41, zvtest::Bytes(20, 0x11))};
    const zvtest::Bytes sharedIconLink =
        zvtest::MakeLink(notepad, {}, {}, {}, 0, {{zvtest::lnk::kHasIconLocation, zvtest::Widen(shareIcon)}});
    const std::string folderIcon = folder + "\\图标";
    CreateDirectoryA(folderIcon.c_str(), nullptr);
    const std::string pointing = "[.ShellClassInfo]\r\nIconResource=" + shareIcon + ",0\r\n";
    zvtest::WriteBytes(folderIcon + "\\desktop.ini", zvtest::Bytes(pointing.begin(), pointing.end()));
    SetFileAttributesA(folderIcon.c_str(), FILE_ATTRIBUTE_SYSTEM);
    const std::string url = "[InternetShortcut]\r\nURL=file://zvnet/share/\r\nIconFile=" + shareIcon + "\r\n";
    const std::string scf = "[Shell]\r\nCommand=2\r\nIconFile=" + shareIcon + "\r\n";
    const std::string library = "<libraryDescription><iconReference>" + shareIcon + "</iconReference>";

    // Each entry, and the file whose icon the shell would build from what it says.
    const struct {
        const char* what;
        std::string path;
        zvtest::Bytes bytes;
    } refused[] = {
        {"icon location on a share", folder + "\\共享图标.lnk", sharedIconLink},
        {"a link zarlib cannot read", folder + "\\不可读.lnk", zvtest::MakeLink(onShare)},
        {"ID list on a share", folder + "\\列表.lnk",
         zvtest::MakeLink(onShare, zvtest::LocalLinkInfo("C:\\windows\\notepad.exe"))},
        {"Run value naming a link", dir.Path() + "\\run.lnk", sharedIconLink},
        {"folder with desktop.ini", folderIcon, {}},
        {".url", folder + "\\a.url", zvtest::Bytes(url.begin(), url.end())},
        {".scf", folder + "\\a.scf", zvtest::Bytes(scf.begin(), scf.end())},
        {".library-ms", folder + "\\a.library-ms", zvtest::Bytes(library.begin(), library.end())},
        {"type with an icon handler", folder + "\\a.zvicon", zvtest::Bytes{'x'}},
    };
    for (const auto& entry : refused) {
        ASSERT_TRUE(entry.bytes.empty() || zvtest::WriteBytes(entry.path, entry.bytes)) << entry.what;
    }
    places.userRun.SetText("ZvLink", dir.Path() + "\\run.lnk");
    ASSERT_TRUE(zvtest::WriteBytes(folder + "\\本地.lnk", zvtest::MakeLink(notepad)));

    zvtest::TPathRecorder recorder;
    zv::Tfm_main f;
    f.ScanStartupItems();

    for (const auto& entry : refused) {
        for (const zvtest::TPathRecorder::TIconCall& call : zvtest::TPathRecorder::iconCalls) {
            EXPECT_TRUE(call.path != entry.path || (call.flags & SHGFI_USEFILEATTRIBUTES)) << entry.what;
        }
    }
    EXPECT_EQ(recorder.Holding("zvnet"), std::vector<std::string>{});
    // A link whose every place is local still shows its own icon.
    EXPECT_GE(FindItem(f.tree_start, "本地.lnk")->ImageIndex(), 2);
    f.FreeTreeData(&f.tree_start);
}

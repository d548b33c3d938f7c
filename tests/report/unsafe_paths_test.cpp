// Entries that name a device or a network path: the report lists them, says why their file was
// not looked at, and finishes. Under Wine, COM1 is a serial port whose opening can block for
// ever, and the share below holds a real file.
#include "platform/cmdline.h"
#include "report/report_model.h"
#include "report_support.h"
#include "startup/startup_folders.h"
#include "ui/w_main.h"

using namespace reporttest;

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(ReportUnsafePaths, ListedAsTheyStandAndNeverOpened)
{
    TInventory inventory;
    zvtest::TNetworkShare share;
    const std::string unc = share.File("zvunsafe.exe");
    inventory.Key(HKEY_CURRENT_USER, kRunKey).SetText("", "ZvCom", "COM1");
    inventory.Key(HKEY_CURRENT_USER, kRunKey).SetText("", "ZvShare", unc + " /s");
    const std::string folder =
        zv::StartupFolderPaths(zv::PathDrive(zv::WindowsDirectory()), zv::CurrentUserName()).currentUser;
    const zvtest::TDeviceNamedFile device(folder, "com1.exe");

    // Each run ends: a version record read from COM1 would never come.
    const TRunResult text = RunReport({});
    EXPECT_EQ(text.exitCode, 0u) << text.err;
    EXPECT_TRUE(Contains(text.out, "  ZvCom\r\n    命令行：COM1\r\n    文件：" + zv::SystemDirectory() +
                                       "\\COM1（设备名，未访问）\r\n"))
        << text.out;
    EXPECT_TRUE(Contains(text.out, "  ZvShare\r\n    命令行：" + unc + " /s\r\n    文件：" + unc + "（网络路径，未访问）\r\n"));
    EXPECT_TRUE(Contains(text.out, "  com1.exe\r\n    命令行：\r\n    文件：" + device.Path() + "（设备名，未访问）\r\n"));
    const TRunResult json = RunReport({"--json"});
    EXPECT_EQ(json.exitCode, 0u) << json.err;
    EXPECT_TRUE(Contains(json.out, "\"file\": \"\\\\\\\\zvnet\\\\share\\\\zvunsafe.exe\",\n      \"fileExists\": false,\n"
                                   "      \"fileSkipped\": \"network\",\n"));
    EXPECT_TRUE(Contains(json.out, "\\\\COM1\",\n      \"fileExists\": false,\n      \"fileSkipped\": \"device\",\n"));

    // The same scans in this process: no call was given those paths, while the inventory's
    // own files had their version records read.
    zvtest::TPathRecorder recorder;
    zv::Tfm_main form;
    zv::CollectReport(form);
    form.FormDestroy(&form);
    EXPECT_EQ(recorder.Holding("zvunsafe"), std::vector<std::string>{});
    EXPECT_EQ(recorder.Holding("com1"), std::vector<std::string>{});
    EXPECT_FALSE(recorder.Holding("tray.exe").empty());
}

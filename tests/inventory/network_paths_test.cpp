// Paths the program may not open: network locations and device names, as the registry may name
// them. Under Wine the network forms below reach real files, so any search would find them.
#include <zarlib.h>

#include "inventory_support.h"
#include "platform/cmdline.h"
#include "platform/path_policy.h"

using namespace inventorytest;
using zv::ExtractCommandFile;
using zv::PathRisk;
using zv::TPathRisk;

TEST(PathPolicy, NetworkFormsDeviceNamesAndTheProgramsOwnPart)
{
    zvtest::TRemoteDrive remote;
    const std::string onRemoteDrive = remote.File("x.dll");
    for (const std::string& path :
         {std::string("\\\\srv\\share\\x.dll"), std::string("//srv/share/x.dll"), std::string("\\/srv/x.dll"),
          std::string("\\\\?\\UNC\\srv\\share\\x.dll"), std::string("\\\\?\\C:\\x.dll"), std::string("\\\\.\\COM1"),
          std::string("\\\\srv@SSL\\share\\x.dll"), std::string("\\??\\UNC\\srv\\x.dll"),
          std::string("  \\\\srv\\x.dll"), onRemoteDrive, onRemoteDrive.substr(0, 2) + "x.dll"}) {
        EXPECT_EQ(PathRisk(path), TPathRisk::Network) << path;
    }
    for (const char* path : {"COM1", "com9.exe", "C:\\dir\\Lpt3.txt", "C:\\dir\\nul\\x.dll", "C:/con/x.dll", "aux:",
                             "NUL .txt", "Prn.", "C:\\dir\\com1 .exe", "C:\\dir\\CONOUT$"}) {
        EXPECT_EQ(PathRisk(path), TPathRisk::Device) << path;
    }
    // The second byte of "乗" is a backslash: no separator, so no component "con.dll".
    for (const char* path : {"C:\\x.dll", "COM10", "COM0", "com1x.exe", "xcon.dll", "console.exe", "C:\\dir\\乗con.dll",
                             "relative\\x.dll", "\\rooted\\x.dll", ""}) {
        EXPECT_EQ(PathRisk(path), TPathRisk::None) << path;
    }

    // A folder of the program's own may lie on a share; only the scanned rest is judged.
    const std::string own = "\\\\srv\\share\\启动\\";
    EXPECT_EQ(PathRisk(own + "a.lnk", own.size()), TPathRisk::None);
    EXPECT_EQ(PathRisk(own + "com1.exe", own.size()), TPathRisk::Device);
    EXPECT_EQ(PathRisk(own + "a.lnk"), TPathRisk::Network);
    EXPECT_EQ(zv::LastComponentStart(own + "a.lnk"), own.size());
    EXPECT_EQ(zv::LastComponentStart("C:\\乗"), 3u);
}

TEST(NetworkPaths, TakenAsTheyStandWithoutASingleFileOrShellCall)
{
    zvtest::TNetworkShare share;
    zvtest::TRemoteDrive remote;
    const std::string unc = share.File("zvtool.exe");
    const std::vector<std::string> forms = {unc, "//zvnet/share/zvtool.exe", "\\\\?\\UNC\\zvnet\\share\\zvtool.exe",
                                            "\\??\\UNC\\zvnet\\share\\zvtool.exe", remote.File("zvtool.exe")};
    for (const std::string& path : forms) ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;

    TKeyFixture toolbars(HKEY_LOCAL_MACHINE, kToolbarKey);
    TClasses classes;
    for (size_t i = 0; i < forms.size(); ++i) {
        classes.Add(FakeId(0x60 + static_cast<int>(i)), "Zv 网络 " + std::to_string(i), forms[i]);
        toolbars.SetText("", FakeId(0x60 + static_cast<int>(i)), "");
    }

    zvtest::TPathRecorder recorder;
    for (const std::string& path : forms) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(zv::FileExists(path));
        EXPECT_EQ(zv::GetFileSmallIcon(path), nullptr);
        EXPECT_EQ(ExtractCommandFile(path), path);
        EXPECT_EQ(ExtractCommandFile("\"" + path + "\" /s"), path);
        EXPECT_EQ(ExtractCommandFile("rundll32.exe \"" + path + "\",Start"), path);
        // A search would have found the program with ".exe" added; unsearched, the first word
        // stands, and nothing completes it with a local directory.
        const std::string bare = path.substr(0, path.size() - 4);
        EXPECT_STREQ(GetFilePath((bare + " /s").c_str()), bare.c_str());
        EXPECT_EQ(ExtractCommandFile(bare + " /s"), bare);
    }
    TScan scan;
    scan.Rebuild();
    for (size_t i = 0; i < forms.size(); ++i) {
        EXPECT_EQ(Texts(scan.Entry(kToolbars, "Zv 网络 " + std::to_string(i))),
                  (std::vector<std::string>{FakeId(0x60 + static_cast<int>(i)), forms[i]}));
    }
    EXPECT_EQ(recorder.Holding("zvnet"), std::vector<std::string>{});
    EXPECT_EQ(recorder.Holding("zvtool"), std::vector<std::string>{});

    // The recorder sees what does reach a call.
    zvtest::TTempDir dir;
    const std::string local = dir.File("zvtool.exe");
    EXPECT_TRUE(zv::FileExists(local));
    EXPECT_EQ(recorder.Holding("zvtool"), std::vector<std::string>{local});
}

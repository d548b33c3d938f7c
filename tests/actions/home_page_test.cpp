// Restoring the browser's home page from the tools menu, on the current user's real registry.
#include "actions_support.h"

using actionstest::TKeyBackup;
using actionstest::TLiveForm;
using actionstest::TRegistryScratch;

namespace {

const char kMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
const char kLock[] = "Policies\\Microsoft\\Internet Explorer\\Control Panel";
const char kQuestion[] = "你确定要恢复浏览器主页地址为“about:blank”吗？";
const char kDone[] = "主页地址已经恢复为 about:blank ！";

// Chooses the menu item the way the window's menu does.
void ChooseRestore(TLiveForm& live)
{
    zv::Tfm_main& f = live.form();
    for (UINT command = 0; command < 1000; ++command) {
        if (f.FindMenuItem(command) == &f.mu_resetstartpage) {
            SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
            zvtest::PumpMessages();
            return;
        }
    }
    ADD_FAILURE() << "the menu item has no command";
}

}  // namespace

TEST(ActionsHomePage, LiftsTheLockAndSetsTheBlankPageEachTime)
{
    TKeyBackup main(HKEY_CURRENT_USER, kMain);
    TKeyBackup lock(HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer");
    TRegistryScratch scratch;
    scratch.Number(HKEY_CURRENT_USER, kLock, "HomePage", 1);
    scratch.Number(HKEY_CURRENT_USER, std::string(kLock) + "\\Deeper\\Still", "Anything", 7);
    const std::vector<std::string> mainValues = zvtest::EnumValues(HKEY_CURRENT_USER, kMain);
    const std::vector<std::string> mainKeys = zvtest::EnumSubKeys(HKEY_CURRENT_USER, kMain);

    TLiveForm live;
    {
        zvtest::TRegistryLog log;
        ChooseRestore(live);
        actionstest::ExpectAccess(log, KEY_ALL_ACCESS);
    }
    ASSERT_EQ(live.rec().boxes.size(), 2u);
    EXPECT_EQ(live.rec().boxes[0].text, kQuestion);
    EXPECT_EQ(live.rec().boxes[0].type, 0x21u);
    EXPECT_EQ(live.rec().boxes[1].text, kDone);
    EXPECT_EQ(live.rec().boxes[1].type, 0x40u);
    for (const zvtest::TShownBox& box : live.rec().boxes) {
        EXPECT_EQ(box.caption, "提示");
        EXPECT_EQ(box.owner, live.form().Handle());
    }
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, kLock));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer"));
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, kMain, "Start Page"), "about:blank");

    // Again, with no lock left: the same success and the same value, nothing else of Main touched.
    live.form().mu_resetstartpageClick(&live.form().mu_resetstartpage);
    ASSERT_EQ(live.rec().boxes.size(), 4u);
    EXPECT_EQ(live.rec().boxes[3].text, kDone);
    EXPECT_EQ(live.rec().boxes[3].type, 0x40u);
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, kMain, "Start Page"), "about:blank");
    EXPECT_EQ(zvtest::EnumValues(HKEY_CURRENT_USER, kMain), mainValues);
    EXPECT_EQ(zvtest::EnumSubKeys(HKEY_CURRENT_USER, kMain), mainKeys);
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsHomePage, DeclinedOrWithoutTheBrowsersKeyItChangesNothingButTheLock)
{
    TKeyBackup main(HKEY_CURRENT_USER, kMain);
    TKeyBackup lock(HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer");
    TRegistryScratch scratch;
    scratch.Number(HKEY_CURRENT_USER, kLock, "HomePage", 1);
    scratch.Text(HKEY_CURRENT_USER, kMain, "Zv Marker", "kept");

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    live.rec().Answer(IDCANCEL);
    f.mu_resetstartpageClick(&f.mu_resetstartpage);
    ASSERT_EQ(live.rec().boxes.size(), 1u);
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, kLock));
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, kMain, "Zv Marker"), "kept");
    EXPECT_NE(zvtest::ReadString(HKEY_CURRENT_USER, kMain, "Start Page"), "about:blank");

    zvtest::DeleteTree(HKEY_CURRENT_USER, kMain);
    f.mu_resetstartpageClick(&f.mu_resetstartpage);
    ASSERT_EQ(live.rec().boxes.size(), 3u);
    EXPECT_EQ(live.rec().boxes[1].text, kQuestion);
    EXPECT_EQ(live.rec().boxes[2].text, "主页地址修改失败！");
    EXPECT_EQ(live.rec().boxes[2].type, 0x10u);
    EXPECT_EQ(live.rec().boxes[2].caption, "提示");
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, kMain));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, kLock));
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsHomePage, AWriteThatFailsIsReportedAsFailure)
{
    actionstest::TSeamRestore seams;
    TKeyBackup main(HKEY_CURRENT_USER, kMain);
    actionstest::FailSetValueNamed("Start Page");
    const std::string before = zvtest::ReadString(HKEY_CURRENT_USER, kMain, "Start Page");

    TLiveForm live;
    live.form().mu_resetstartpageClick(&live.form().mu_resetstartpage);
    ASSERT_EQ(live.rec().boxes.size(), 2u);
    EXPECT_EQ(live.rec().boxes[1].text, "主页地址修改失败！");
    EXPECT_EQ(live.rec().boxes[1].type, 0x10u);
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, kMain, "Start Page"), before);
    EXPECT_TRUE(live.rec().errors.empty());
}

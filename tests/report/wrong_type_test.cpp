// A registry value of the wrong type ends the window's scan where it stands; the report says so
// at that place, exits with its own code, and lists everything after it.
#include "report/report_options.h"
#include "report_support.h"
#include "ui/w_main.h"

using namespace reporttest;

namespace {

const char kExtensionsKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(ReportWrongType, NotedWhereTheScanStoppedAndTheRestStillListed)
{
    TInventory inventory;
    // Listed after the good extension and between the two user Run values.
    inventory.Key(HKEY_LOCAL_MACHINE, kExtensionsKey).SetNumber(Id(0x0A), "MenuText", 7);
    inventory.Key(HKEY_CURRENT_USER, kRunKey).SetNumber("", "Zz", 5);

    {
        // The window: the startup scan stops at the bad Run value, and its creation skips the
        // plug-in scan altogether.
        zv::Tfm_main form;
        zvtest::TMessageRecorder recorder(form);
        form.CreateForm(false);
        EXPECT_EQ(recorder.errors, (std::vector<std::string>{"Invalid data type for 'Zz'"}));
        EXPECT_EQ(form.tree_start.TopCount(), 1u);
        EXPECT_EQ(form.m_tree.TopCount(), 0u);
        form.FormDestroy(&form);
    }

    const TRunResult text = RunReport({});
    EXPECT_EQ(text.exitCode, static_cast<DWORD>(zv::kExitIncomplete));
    EXPECT_TRUE(Contains(text.err, "报告不完整")) << text.err;
    const std::string& out = text.out;
    EXPECT_TRUE(Contains(out, "！本报告不完整"));
    // At the extension category: the good entry, the entry left without a record, the note.
    const size_t good = out.find("    卓凡搜索\r\n");
    const size_t broken = out.find("    " + Id(0x0A) + "\r\n      ！扫描在此项中断");
    const size_t note = out.find("    ！扫描在此中断（Invalid data type for 'MenuText'），其后的项目未能列出。\r\n");
    const size_t nextCategory = out.find("  浏览器右键菜单(MenuExt)\r\n");
    EXPECT_LT(good, broken);
    EXPECT_LT(broken, note);
    EXPECT_LT(note, nextCategory);
    EXPECT_NE(nextCategory, std::string::npos);
    // The user's Run group up to the bad value, then everything the window never reached.
    const size_t update = out.find("  ZfUpdate\r\n");
    const size_t runNote = out.find("  ！扫描在此中断（Invalid data type for 'Zz'）");
    EXPECT_LT(update, runNote);
    EXPECT_FALSE(Contains(out, "  卓凡托盘\r\n"));
    EXPECT_LT(runNote, out.find("  QuickGuard\r\n"));
    EXPECT_TRUE(Contains(out, "  卓凡.bat\r\n"));
    EXPECT_TRUE(Contains(out, "    卓凡网页助手 [启用]\r\n"));
    EXPECT_TRUE(Contains(out, "    执行守卫\r\n"));
    EXPECT_TRUE(Contains(out, "共 12 个插件项，4 个启动项目。报告不完整。"));

    const TRunResult json = RunReport({"--json"});
    EXPECT_EQ(json.exitCode, static_cast<DWORD>(zv::kExitIncomplete));
    EXPECT_TRUE(Contains(json.out, "\"complete\": false"));
    EXPECT_TRUE(Contains(json.out, "\"page\": \"plugins\",\n      \"category\": \"" +
                                       GbkToUtf8("菜单/按钮(Extensions)") +
                                       "\",\n      \"message\": \"Invalid data type for 'MenuText'\""));
    EXPECT_TRUE(Contains(json.out,
                         "\"page\": \"startup\",\n      \"category\": "
                         "\"HKEY_CURRENT_USER\\\\Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run\",\n"
                         "      \"message\": \"Invalid data type for 'Zz'\""));
    EXPECT_TRUE(
        Contains(json.out, "\"text\": \"" + Id(0x0A) +
                               "\",\n      \"details\": [],\n      \"state\": null,\n"
                               "      \"builtIn\": false,\n      \"hasRecord\": false,\n      \"root\": null,"));
}

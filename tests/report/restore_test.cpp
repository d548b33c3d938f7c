// A backup taken, the entries removed, disabled and enabled through the window's own commands,
// the backup imported by the system's registry editor: the rescan is the first scan again.
#include <algorithm>

#include "platform/unicode_text.h"
#include "plugins/node_data.h"
#include "report_support.h"
#include "ui/w_main.h"

using namespace reporttest;

namespace {

// The entry of a category whose text starts with `prefix`, selected as a click would.
zv::TTreeNode* SelectEntry(zv::Tfm_main& form, const std::string& category, const std::string& prefix)
{
    for (zv::TTreeNode* node : form.m_tree.Nodes()) {
        if (node->Level() == 2 && node->Parent()->Text() == category && node->Text().rfind(prefix, 0) == 0) {
            form.m_tree.Select(node);
            return node;
        }
    }
    ADD_FAILURE() << "no entry " << prefix;
    return nullptr;
}

// Report and backup with what changes from run to run left out.
std::string Scan(const std::string& backupFile)
{
    const TRunResult run = RunReport({"--backup", backupFile});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const std::string bytes = ReadFileBytes(backupFile);
    std::wstring text(bytes.size() / 2, L'\0');
    std::copy_n(bytes.data(), text.size() * 2, reinterpret_cast<char*>(text.data()));
    return Normalise(GbkToUtf8(run.out)) + Normalise(zv::WideToUtf8(text));
}

}  // namespace

TEST(ReportRestore, ImportingTheBackupUndoesEveryCommand)
{
    TInventory inventory;
    // A home-page lock with something in it, which the home-page command erases.
    inventory.Key(HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer\\Control Panel")
        .SetNumber("", "HomePage", 1);
    zvtest::TTempDir temp;
    const std::string backup = temp.Path() + "\\备份.reg";
    const std::string before = Scan(backup);

    {
        zv::Tfm_main form;
        zvtest::TMessageRecorder recorder(form);
        form.CreateForm(false);
        SelectEntry(form, "浏览器帮助程序对象(Browser Helper Object)", "卓凡网页助手");
        form.bt_onoffClick(&form.bt_onoff);
        recorder.Answer(IDYES);
        form.bt_delactivexClick(&form.bt_delactivex);
        form.bt_deleteClick(&form.bt_delete);
        SelectEntry(form, "工具栏(Toolbar)", "Quick Bar");
        form.bt_onoffClick(&form.bt_onoff);
        form.bt_deleteClick(&form.bt_delete);
        SelectEntry(form, "ActiveX 控件", "卓凡播放控件");
        form.bt_onoffClick(&form.bt_onoff);
        form.bt_deleteClick(&form.bt_delete);
        for (const auto& [category, entry] :
             std::vector<std::pair<std::string, std::string>>{{"菜单/按钮(Extensions)", "卓凡搜索"},
                                                              {"浏览器右键菜单(MenuExt)", "用卓凡下载"},
                                                              {"URL 搜索钩子", Id(8)},
                                                              {"执行钩子(ShellExecuteHooks)", "执行守卫"}}) {
            SelectEntry(form, category, entry);
            form.bt_deleteClick(&form.bt_delete);
        }
        for (zv::TTreeNode* node : form.tree_start.Nodes()) {
            if (node->Data && node->Data->ItemName == "卓凡托盘") form.tree_start.Select(node);
        }
        form.bt_delstartClick(&form.bt_delstart);
        form.mu_resetstartpageClick(&form.mu_resetstartpage);
        form.FormDestroy(&form);
        EXPECT_TRUE(recorder.errors.empty());
        std::vector<std::string> outcomes;
        for (const zvtest::TShownBox& box : recorder.boxes) {
            if (box.type == MB_ICONINFORMATION) outcomes.push_back(box.text);
        }
        const std::string deleted = "删除完毕！";
        EXPECT_EQ(outcomes, (std::vector<std::string>{
                                "卓凡网页助手 [启用] 已经禁用！", "卓凡网页助手 [已禁用] 注销完成！", deleted,
                                "Quick Bar [已禁用] 已经启用！", deleted, "卓凡播放控件 [启用] 已经禁用！", deleted,
                                deleted, deleted, deleted, deleted, deleted, "主页地址已经恢复为 about:blank ！"}));
    }
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + Id(1)));
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page"),
              "about:blank");
    const std::string changed = Scan(temp.Path() + "\\之后.reg");
    EXPECT_NE(changed, before);

    ImportWithRegedit(backup);
    EXPECT_EQ(Scan(temp.Path() + "\\恢复后.reg"), before);
}

// Registry contents the scanners must survive: values of a wrong type, which end the rebuild
// where it stands, and listed names that are no proper class identifiers.
#include "inventory_support.h"
#include "ui/w_main.h"

using namespace inventorytest;
using zv::TTreeNode;

namespace {

void Refresh(zv::Tfm_main& form)
{
    zv::FireEvent([&form] { form.mu_refreshClick(&form.mu_refresh); });
}

}  // namespace

TEST(ScanFailures, AWrongTypeEndsTheRebuildWhereItStands)
{
    TKeyFixture extensions(HKEY_LOCAL_MACHINE, kExtensionsKey);
    TKeyFixture helpers(HKEY_LOCAL_MACHINE, kHelperObjectsKey);
    extensions.SetText(FakeId(0x81), "MenuText", "好");
    extensions.SetNumber(FakeId(0x82), "MenuText", 7);
    helpers.CreateSub(FakeId(0x83));

    TScan scan;
    zvtest::TMessageRecorder rec(scan.form());
    Refresh(scan.form());
    EXPECT_EQ(rec.errors, (std::vector<std::string>{"Invalid data type for 'MenuText'"}));
    EXPECT_TRUE(rec.boxes.empty());
    zv::TTreeView& tree = scan.form().m_tree;
    ASSERT_EQ(tree.TopCount(), 2u);
    EXPECT_FALSE(tree.TopItem(0)->Expanded());
    TTreeNode* category = scan.Category(kExtensions);
    ASSERT_TRUE(category);
    EXPECT_EQ(Texts(category), (std::vector<std::string>{"好", FakeId(0x82)}));
    EXPECT_TRUE(category->Item(0)->Data);
    const TTreeNode* broken = category->Item(1);
    EXPECT_EQ(broken->Data, nullptr);
    EXPECT_EQ(broken->ImageIndex(), 3);
    EXPECT_EQ(broken->Count(), 0u);
    EXPECT_EQ(scan.Category(kHelperObjects)->Count(), 0u);

    extensions.SetText(FakeId(0x82), "MenuText", "坏");
    Refresh(scan.form());
    EXPECT_EQ(rec.errors.size(), 1u);
    EXPECT_TRUE(tree.TopItem(0)->Expanded());
    EXPECT_EQ(Texts(scan.Category(kExtensions)), (std::vector<std::string>{"好", "坏"}));
    EXPECT_EQ(scan.Category(kHelperObjects)->Count(), 1u);
}

TEST(ScanFailures, ClassesAndControlsOfAWrongType)
{
    TKeyFixture toolbars(HKEY_LOCAL_MACHINE, kToolbarKey);
    TKeyFixture units(HKEY_LOCAL_MACHINE, kDistributionUnitsKey);
    TKeyFixture stats(HKEY_CURRENT_USER, kExtStatsKey);
    TKeyFixture badClass(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + FakeId(0x93));
    const BYTE name[] = {'x', 0};
    badClass.SetRaw("", "", REG_BINARY, name, sizeof(name));
    toolbars.SetText("", FakeId(0x93), "");
    units.SetNumber(FakeId(0x91) + "\\DownloadInformation", "CODEBASE", 1);
    stats.SetText(FakeId(0x92) + "\\iexplore", "Type", "1");

    TScan scan;
    zvtest::TMessageRecorder rec(scan.form());
    Refresh(scan.form());
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0], "Invalid data type for ''");
    const TTreeNode* toolbar = scan.Entry(kToolbars, FakeId(0x93));
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->Text(), FakeId(0x93));
    EXPECT_EQ(toolbar->Data, nullptr);
    // Stopped before its picture was set, it shows the first one rather than whatever the
    // tree view would make of "ask the program".
    EXPECT_EQ(toolbar->ImageIndex(), 0);
    EXPECT_EQ(toolbar->SelectedIndex(), 0);
    EXPECT_EQ(scan.Category(kActiveX)->Count(), 0u);

    badClass.SetText("", "", "坏类");
    Refresh(scan.form());
    ASSERT_EQ(rec.errors.size(), 2u);
    EXPECT_EQ(rec.errors[1], "Invalid data type for 'CODEBASE'");
    EXPECT_EQ(scan.Entry(kToolbars, "坏类")->Text(), "坏类 [启用]");
    EXPECT_EQ(Texts(scan.Category(kActiveX)), (std::vector<std::string>{FakeId(0x91) + "[控件不存在] [启用]"}));
    EXPECT_EQ(scan.Category(kActiveX)->Item(0)->Data, nullptr);

    units.SetText(FakeId(0x91) + "\\DownloadInformation", "CODEBASE", "http://dl.zv-example.invalid/a.cab");
    Refresh(scan.form());
    ASSERT_EQ(rec.errors.size(), 3u);
    EXPECT_EQ(rec.errors[2], "Invalid data type for 'Type'");
    EXPECT_EQ(Texts(scan.Category(kActiveX)), (std::vector<std::string>{FakeId(0x91) + "[控件不存在] [启用]"}));
    EXPECT_TRUE(scan.Category(kActiveX)->Item(0)->Data);
    EXPECT_FALSE(scan.form().m_tree.TopItem(0)->Expanded());

    stats.SetNumber(FakeId(0x92) + "\\iexplore", "Type", 1);
    Refresh(scan.form());
    EXPECT_EQ(rec.errors.size(), 3u);
    EXPECT_EQ(scan.Category(kActiveX)->Count(), 2u);
    EXPECT_TRUE(scan.form().m_tree.TopItem(0)->Expanded());
}

TEST(ScanFailures, ListedNamesThatAreNoClassIdentifiers)
{
    TKeyFixture toolbars(HKEY_LOCAL_MACHINE, kToolbarKey);
    zvtest::TTempDir dir;
    const std::string server = dir.File("bar.dll");
    TClasses classes;
    classes.Add(FakeId(0xA1), "真名", server);
    classes.Add("工具条", "中文工具条", server);
    // The settings key exists, and so does the class's own: neither may be taken for an
    // empty name's or a backslashed name's.
    TDisabled disabled;
    disabled.Add(FakeId(0xA1));
    const std::string longName(255, 'Q');
    for (const std::string& name : {std::string(), FakeId(0xA1) + "\\", longName, std::string("工具条")}) {
        toolbars.SetText("", name, "");
    }

    TScan scan;
    scan.Rebuild();
    ASSERT_EQ(scan.Category(kToolbars)->Count(), 4u);

    TTreeNode* empty = scan.Entry(kToolbars, " [");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Text(), " [启用]");
    EXPECT_EQ(empty->ImageIndex(), 3);
    EXPECT_EQ(empty->Count(), 0u);
    EXPECT_EQ(empty->Data->ValueName, "");
    EXPECT_EQ(empty->Data->Deletable, 1);

    TTreeNode* backslashed = scan.Entry(kToolbars, FakeId(0xA1));
    ASSERT_TRUE(backslashed);
    EXPECT_EQ(backslashed->Text(), FakeId(0xA1) + "\\ [启用]");
    EXPECT_EQ(backslashed->Count(), 0u);
    EXPECT_EQ(backslashed->Data->FileName, "");

    EXPECT_EQ(scan.Entry(kToolbars, longName)->Text(), longName + " [启用]");

    TTreeNode* chinese = scan.Entry(kToolbars, "中文工具条");
    ASSERT_TRUE(chinese);
    EXPECT_EQ(chinese->Text(), "中文工具条 [启用]");
    EXPECT_EQ(Shown(chinese), (std::vector<TShownNode>{{"工具条", 5}, {server, 4}}));
}

// The ActiveX category filled from the downloaded controls and the usage statistics.
#include "inventory_support.h"

#include <commctrl.h>

#include "ui/w_main.h"

using namespace inventorytest;
using zv::TTreeNode;

namespace {

constexpr uint32_t kHklm = 0x80000002u;
constexpr uint32_t kHkcu = 0x80000001u;

std::string AsciiLower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// The texts of a node's children as the Win32 tree view orders them.
std::vector<std::string> ViewTexts(const zv::TTreeView& tree, const TTreeNode* parent)
{
    return zvtest::TreeChildTexts(tree.Handle(), parent->ItemId());
}

// Controls of both sources with every filter at work.
struct TControlsFixture {
    TKeyFixture units{HKEY_LOCAL_MACHINE, kDistributionUnitsKey};
    TKeyFixture stats{HKEY_CURRENT_USER, kExtStatsKey};
    zvtest::TTempDir dir;
    std::string server = dir.File("zvctl.ocx");
    std::string system = FakeId(0x61), beta = FakeId(0x62), missing = FakeId(0x63), delta = FakeId(0x64),
                binary = FakeId(0x65);
    std::string alpha = FakeId(0x71), used = FakeId(0x72), other = FakeId(0x73), untyped = FakeId(0x74);
    std::string codebase = "http://dl.zv-example.invalid/beta.cab";
    TClasses classes;
    TDisabled disabled;

    TControlsFixture()
    {
        classes.Add(system, "System 组件", server);
        classes.Add(beta, "Beta 控件", server);
        classes.Add(missing, "", server);
        classes.Add(delta, "Delta 控件");
        classes.Add(binary, "Epsilon 控件");
        classes.Add(alpha, "Alpha 控件", server);
        disabled.Add(delta);

        units.SetNumber(system, "SystemComponent", 1);
        units.SetNumber(beta, "SystemComponent", 0);
        units.SetText(beta + "\\DownloadInformation", "CODEBASE", codebase);
        units.SetText(missing + "\\DownloadInformation", "CODEBASE", "");
        // Marks that cannot be read as a number mark nothing.
        units.SetText(delta, "SystemComponent", "1");
        const BYTE one[4] = {1, 0, 0, 0};
        units.SetRaw(binary, "SystemComponent", REG_BINARY, one, sizeof(one));
        units.CreateSub(binary + "\\DownloadInformation");

        const std::string betaLower = AsciiLower(beta);
        stats.SetNumber(betaLower + "\\iexplore", "Type", 1);
        stats.CreateSub(alpha);
        stats.SetNumber(used + "\\iexplore", "Type", 1);
        stats.SetNumber(other + "\\iexplore", "Type", 2);
        stats.CreateSub(untyped + "\\iexplore");
        stats.SetNumber(system + "\\iexplore", "Type", 1);
    }
};

}  // namespace

TEST(ScanActiveX, DownloadedAndUsedControlsFilteredAndMixed)
{
    TControlsFixture fx;
    TScan scan;
    scan.Rebuild();
    TTreeNode* category = scan.Category(kActiveX);
    ASSERT_TRUE(category);
    ASSERT_LT(lstrcmpA("{", "A"), 0) << "the fixture relies on the word sort";
    // Every entry's text changes once it is added, so both sources end in one text order.
    EXPECT_EQ(Texts(category), (std::vector<std::string>{
                                   fx.missing + "[控件不存在] [启用]",
                                   fx.used + "[控件不存在] [启用]",
                                   "Alpha 控件 [启用]",
                                   "Beta 控件 [启用]",
                                   "Delta 控件 [已禁用]",
                                   "Epsilon 控件 [启用]",
                                   "System 组件 [启用]",
                               }));
    const std::string stats = std::string(kExtStatsKey) + "\\";
    const TRecordFields records[] = {
        {kHklm, kDistributionUnitsKey, "", fx.missing, fx.server, 1, 1, 1},
        {kHkcu, stats + fx.used, "", fx.used, "", 1, 1, 1},
        {kHkcu, stats + fx.alpha, "", fx.alpha, fx.server, 1, 1, 1},
        {kHklm, kDistributionUnitsKey, "", fx.beta, fx.server, 1, 1, 1},
        {kHklm, kDistributionUnitsKey, "", fx.delta, "", 1, 1, 1},
        {kHklm, kDistributionUnitsKey, "", fx.binary, "", 1, 1, 1},
        // Left out of the downloads as a system component, listed from its statistics.
        {kHkcu, stats + fx.system, "", fx.system, fx.server, 1, 1, 1},
    };
    ASSERT_EQ(category->Count(), std::size(records));
    for (size_t i = 0; i < category->Count(); ++i) {
        EXPECT_EQ(category->Item(i)->ImageIndex(), 3) << category->Item(i)->Text();
        EXPECT_EQ(Fields(category->Item(i)), records[i]);
    }

    TTreeNode* beta = scan.Entry(kActiveX, "Beta");
    ASSERT_TRUE(beta);
    EXPECT_EQ(Shown(beta), (std::vector<TShownNode>{{fx.beta, 5}, {fx.server, 4}, {fx.codebase, 5}}));

    // A class without a display name: no details but the download address, even an empty one.
    EXPECT_EQ(Shown(scan.Entry(kActiveX, fx.missing)), (std::vector<TShownNode>{{"", 5}}));

    EXPECT_EQ(Shown(scan.Entry(kActiveX, "Delta")), (std::vector<TShownNode>{{fx.delta, 5}}));
    EXPECT_EQ(Shown(scan.Entry(kActiveX, "Epsilon")), (std::vector<TShownNode>{{fx.binary, 5}}));

    EXPECT_EQ(Shown(scan.Entry(kActiveX, "Alpha")), (std::vector<TShownNode>{{fx.alpha, 5}, {fx.server, 4}}));
    EXPECT_EQ(scan.Entry(kActiveX, fx.used)->Count(), 0u);
}

TEST(ScanActiveX, DuplicatesFoldOnlyAsciiLetters)
{
    TKeyFixture units(HKEY_LOCAL_MACHINE, kDistributionUnitsKey);
    TKeyFixture stats(HKEY_CURRENT_USER, kExtStatsKey);
    // Two characters that differ only in a second byte that happens to be a letter's code.
    const std::string upper = "{\x81" "A}";
    const std::string lower = "{\x81" "a}";
    units.CreateSub(upper);
    stats.CreateSub(upper);
    stats.CreateSub(lower);

    TScan scan;
    scan.Rebuild();
    const std::vector<std::string> texts = Texts(scan.Category(kActiveX));
    ASSERT_EQ(texts.size(), 2u);
    for (const std::string& clsid : {upper, lower}) {
        TTreeNode* entry = scan.Entry(kActiveX, clsid + "[");
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->Text(), clsid + "[控件不存在] [启用]");
    }
    EXPECT_EQ(Fields(scan.Entry(kActiveX, upper + "[")).root, kHklm);
}

TEST(ScanActiveX, EachSourceWithoutTheOther)
{
    {
        TScan scan;
        scan.Rebuild();
        EXPECT_EQ(scan.Category(kActiveX)->Count(), 0u);
    }
    {
        TKeyFixture stats(HKEY_CURRENT_USER, kExtStatsKey);
        stats.CreateSub(FakeId(0x75));
        TScan scan;
        scan.Rebuild();
        EXPECT_EQ(Texts(scan.Category(kActiveX)), (std::vector<std::string>{FakeId(0x75) + "[控件不存在] [启用]"}));
    }
    {
        TKeyFixture units(HKEY_LOCAL_MACHINE, kDistributionUnitsKey);
        units.CreateSub(FakeId(0x66));
        TScan scan;
        scan.Rebuild();
        EXPECT_EQ(Texts(scan.Category(kActiveX)), (std::vector<std::string>{FakeId(0x66) + "[控件不存在] [启用]"}));
    }
}

TEST(ScanActiveX, TheWindowShowsTheModelsOrder)
{
    TControlsFixture fx;
    TScan scan(true);
    ASSERT_TRUE(scan.form().m_tree.HandleAllocated());
    TTreeNode* category = scan.Category(kActiveX);
    ASSERT_TRUE(category);
    ASSERT_EQ(category->Count(), 7u);
    EXPECT_EQ(ViewTexts(scan.form().m_tree, category), Texts(category));
    EXPECT_EQ(ViewTexts(scan.form().m_tree, scan.Entry(kActiveX, "Beta")), Texts(scan.Entry(kActiveX, "Beta")));
}

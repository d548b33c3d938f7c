// Disabling and enabling an add-on from the plug-in page: the confirmation, the three registry
// marks, the node's text and the button that follows it, and what a rescan shows afterwards.
#include "actions_support.h"

#include <optional>
#include <tuple>

using actionstest::TLiveForm;
using actionstest::TRegistryScratch;
using zv::TTreeNode;

namespace {

const size_t kToolbars = 1;

// A toolbar as the browser registers one: a value named after the class in the toolbar key,
// and the class with its display name and server file.
void AddToolbar(TRegistryScratch& scratch, const std::string& clsid, const std::string& name,
                const std::string& server)
{
    scratch.Text(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, clsid, "");
    actionstest::RegisterClass(scratch, clsid, name, server);
    // Whatever the action writes for the class goes at the end too.
    scratch.Claim(HKEY_CURRENT_USER, actionstest::kExtSettings + clsid);
    scratch.Claim(HKEY_LOCAL_MACHINE, actionstest::kCompatibility + clsid);
}

std::string Settings(const std::string& clsid) { return actionstest::kExtSettings + clsid; }
std::string Compatibility(const std::string& clsid) { return actionstest::kCompatibility + clsid; }

void ExpectBox(const zvtest::TShownBox& box, const std::string& text, UINT type, HWND owner)
{
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.type, type);
    EXPECT_EQ(box.caption, "提示");
    EXPECT_EQ(box.owner, owner);
}

// The node's text as the model and the window show it, and the siblings in one order in both.
void ExpectShown(TLiveForm& live, const TTreeNode* node, const std::string& text)
{
    EXPECT_EQ(node->Text(), text);
    EXPECT_EQ(live.ViewText(node), text);
    EXPECT_EQ(live.ViewChildren(node->Parent()), live.ModelChildren(node->Parent()));
}

void ExpectCaption(TLiveForm& live, const std::string& caption)
{
    EXPECT_EQ(live.form().bt_onoff.Caption(), caption);
    EXPECT_EQ(live.WindowCaption(live.form().bt_onoff), caption);
}

const char kFoo[] = "{5A0C1D2E-0002-4C3B-9D7E-ACA710A5E001}";
const char kBar[] = "{5A0C1D2E-0002-4C3B-9D7E-ACA710A5E002}";

// The toolbar entry that the last scan listed, selected as a click on its row does.
TTreeNode* SelectToolbar(TLiveForm& live, const std::string& name)
{
    TTreeNode* node = live.Entry(kToolbars, name);
    if (node) live.Select(node);
    return node;
}

// One toolbar, "Zv Foo", registered with no server file; the window opened and the entry selected.
class ActionsDisableFoo : public ::testing::Test {
protected:
    void SetUp() override
    {
        AddToolbar(scratch, kFoo, "Zv Foo", "");
        live.emplace();
        foo = SelectToolbar(*live, "Zv Foo");
        ASSERT_NE(foo, nullptr);
    }

    TRegistryScratch scratch;
    std::optional<TLiveForm> live;
    TTreeNode* foo = nullptr;
};

}  // namespace

TEST(ActionsDisable, DisableThenEnableRoundTripInTheRealWindowAndRescans)
{
    zvtest::TTempDir dir;
    TRegistryScratch scratch;
    AddToolbar(scratch, kFoo, "Zv Foo", dir.File("foo.dll"));
    AddToolbar(scratch, kBar, "Zv Bar", dir.File("bar.dll"));
    // A flag of another's that disabling keeps and enabling erases with the key.
    scratch.Number(HKEY_LOCAL_MACHINE, Compatibility(kFoo), "Zv Other", 5);

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* foo = SelectToolbar(live, "Zv Foo");
    ASSERT_NE(foo, nullptr);
    ExpectShown(live, foo, "Zv Foo [启用]");
    ExpectCaption(live, "禁用");
    {
        // Wine keeps any type and grants any right: the requests themselves are the proof.
        zvtest::TRegistryLog log;
        ASSERT_TRUE(live.Click(f.bt_onoff));
        actionstest::ExpectAccess(log, KEY_WRITE, true);
        std::vector<std::tuple<HKEY, std::string, std::string, DWORD, std::vector<BYTE>>> writes;
        for (const zvtest::TRegistryRequest& r : log.requests) {
            if (r.kind == zvtest::TRegistryRequest::SetValue) writes.emplace_back(r.root, r.path, r.value, r.type, r.data);
        }
        const decltype(writes) expected = {
            {HKEY_CURRENT_USER, Settings(kFoo), "Version", REG_SZ, {'*', 0}},
            {HKEY_CURRENT_USER, Settings(kFoo), "Flags", REG_DWORD, {1, 0, 0, 0}},
            {HKEY_LOCAL_MACHINE, Compatibility(kFoo), "Compatibility Flags", REG_DWORD, {0, 4, 0, 0}},
        };
        EXPECT_EQ(writes, expected);
    }

    ASSERT_EQ(live.rec().boxes.size(), 2u);
    ExpectBox(live.rec().boxes[0], "你确定要禁用 “工具栏(Toolbar)\\Zv Foo ” 吗？", 0x21, f.Handle());
    ExpectBox(live.rec().boxes[1], "Zv Foo [启用] 已经禁用！", 0x40, f.Handle());
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, Settings(kFoo), "Version"), "*");
    EXPECT_EQ(zvtest::ReadDword(HKEY_CURRENT_USER, Settings(kFoo), "Flags"), 1u);
    EXPECT_EQ(zvtest::ReadDword(HKEY_LOCAL_MACHINE, Compatibility(kFoo), "Compatibility Flags"), 0x400u);
    EXPECT_EQ(zvtest::ReadDword(HKEY_LOCAL_MACHINE, Compatibility(kFoo), "Zv Other"), 5u);
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, Settings(kBar)));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, Compatibility(kBar)));
    ExpectShown(live, foo, "Zv Foo [已禁用]");
    EXPECT_EQ(f.m_tree.Selected(), foo);
    ExpectCaption(live, "启用");

    f.mu_refreshClick(&f.mu_refresh);
    ExpectShown(live, live.Entry(kToolbars, "Zv Bar"), "Zv Bar [启用]");
    foo = SelectToolbar(live, "Zv Foo");
    ASSERT_NE(foo, nullptr);
    ExpectShown(live, foo, "Zv Foo [已禁用]");
    ExpectCaption(live, "启用");
    {
        zvtest::TRegistryLog log;
        ASSERT_TRUE(live.Click(f.bt_onoff));
        actionstest::ExpectAccess(log, KEY_WRITE);
    }

    ASSERT_EQ(live.rec().boxes.size(), 4u);
    ExpectBox(live.rec().boxes[2], "你确定要启用 “工具栏(Toolbar)\\Zv Foo ” 吗？", 0x21, f.Handle());
    ExpectBox(live.rec().boxes[3], "Zv Foo [已禁用] 已经启用！", 0x40, f.Handle());
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, Settings(kFoo)));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, Compatibility(kFoo)));
    ExpectShown(live, foo, "Zv Foo [启用]");
    ExpectCaption(live, "禁用");

    f.mu_refreshClick(&f.mu_refresh);
    ASSERT_NE(live.Entry(kToolbars, "Zv Foo"), nullptr);
    EXPECT_EQ(live.Entry(kToolbars, "Zv Foo")->Text(), "Zv Foo [启用]");
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST_F(ActionsDisableFoo, CancelChangesNothingButStillRefreshesTheButtons)
{
    TLiveForm& live = *this->live;
    zv::Tfm_main& f = live.form();
    // Stale states that only a refresh puts right.
    f.bt_delete.SetEnabled(false);
    f.bt_delactivex.SetEnabled(false);

    live.rec().Answer(IDCANCEL);
    ASSERT_TRUE(live.Click(f.bt_onoff));
    ASSERT_EQ(live.rec().boxes.size(), 1u);
    EXPECT_EQ(live.rec().boxes[0].type, 0x21u);
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, Settings(kFoo)));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, Compatibility(kFoo)));
    ExpectShown(live, foo, "Zv Foo [启用]");
    ExpectCaption(live, "禁用");
    EXPECT_TRUE(f.bt_delete.Enabled());
    EXPECT_TRUE(IsWindowEnabled(f.bt_delete.Handle()));
    EXPECT_TRUE(f.bt_delactivex.Enabled());

    // With nothing selected the click does nothing at all, not even the refresh.
    live.Select(nullptr);
    f.bt_delete.SetEnabled(false);
    f.bt_onoffClick(&f.bt_onoff);
    EXPECT_EQ(live.rec().boxes.size(), 1u);
    EXPECT_FALSE(f.bt_delete.Enabled());
}

TEST(ActionsDisable, NamesThatHoldTheMarkOrItsBracket)
{
    const std::string enabling = "{5A0C1D2E-0003-4C3B-9D7E-ACA710A5E001}";
    const std::string bracketed = "{5A0C1D2E-0003-4C3B-9D7E-ACA710A5E002}";
    const std::string spaced = "{5A0C1D2E-0003-4C3B-9D7E-ACA710A5E003}";
    TRegistryScratch scratch;
    AddToolbar(scratch, enabling, "启用助手", "");
    scratch.Number(HKEY_CURRENT_USER, Settings(enabling), "Zv Mine", 3);
    AddToolbar(scratch, bracketed, "Zv[启用]Mark", "");
    AddToolbar(scratch, spaced, "Zv [x] Spaced", "");

    TLiveForm live;
    zv::Tfm_main& f = live.form();

    // Shown as disabled, yet its name offers "禁用": the action writes the marks again and the
    // text keeps its state mark.
    TTreeNode* node = SelectToolbar(live, "启用助手");
    ASSERT_NE(node, nullptr);
    ExpectShown(live, node, "启用助手 [已禁用]");
    ExpectCaption(live, "禁用");
    ASSERT_TRUE(live.Click(f.bt_onoff));
    ASSERT_EQ(live.rec().boxes.size(), 2u);
    EXPECT_EQ(live.rec().boxes[0].text, "你确定要禁用 “工具栏(Toolbar)\\启用助手 ” 吗？");
    EXPECT_EQ(live.rec().boxes[1].text, "启用助手 [已禁用] 已经禁用！");
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, Settings(enabling), "Version"), "*");
    EXPECT_EQ(zvtest::ReadDword(HKEY_CURRENT_USER, Settings(enabling), "Zv Mine"), 3u);
    ExpectShown(live, node, "启用助手 [已禁用]");
    ExpectCaption(live, "禁用");

    // Every "[启用]" goes, the one inside the name too.
    node = SelectToolbar(live, "Zv[");
    ASSERT_NE(node, nullptr);
    ASSERT_TRUE(live.Click(f.bt_onoff));
    ASSERT_EQ(live.rec().boxes.size(), 4u);
    EXPECT_EQ(live.rec().boxes[2].text, "你确定要禁用 “工具栏(Toolbar)\\Zv[启用]Mark ” 吗？");
    ExpectShown(live, node, "Zv[已禁用]Mark [已禁用]");
    ExpectCaption(live, "启用");

    // The name ends at the first blank and bracket, whatever follows.
    node = SelectToolbar(live, "Zv [x]");
    ASSERT_NE(node, nullptr);
    live.rec().Answer(IDCANCEL);
    ASSERT_TRUE(live.Click(f.bt_onoff));
    ASSERT_EQ(live.rec().boxes.size(), 5u);
    EXPECT_EQ(live.rec().boxes[4].text, "你确定要禁用 “工具栏(Toolbar)\\Zv ” 吗？");
    EXPECT_TRUE(live.rec().errors.empty());
}

// The machine-wide flag is what stops the browser: a disable that could not write it failed,
// even when its key could be created.
TEST_F(ActionsDisableFoo, UnwrittenCompatibilityFlagIsAFailure)
{
    TLiveForm& live = *this->live;
    zv::Tfm_main& f = live.form();
    actionstest::TSeamRestore seams;
    actionstest::FailSetValueNamed("Compatibility Flags");
    ASSERT_TRUE(live.Click(f.bt_onoff));
    ASSERT_EQ(live.rec().boxes.size(), 2u);
    ExpectBox(live.rec().boxes[1], "Zv Foo [启用] 禁用失败！", 0x10, f.Handle());
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, Compatibility(kFoo)));
    EXPECT_FALSE(zvtest::ValueExists(HKEY_LOCAL_MACHINE, Compatibility(kFoo), "Compatibility Flags"));
    // The per-user step ran before and stays done.
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, Settings(kFoo), "Version"), "*");
    ExpectShown(live, foo, "Zv Foo [启用]");
    ExpectCaption(live, "禁用");
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST_F(ActionsDisableFoo, EachMarkIsAttemptedWhateverBecameOfTheOther)
{
    TLiveForm& live = *this->live;
    zv::Tfm_main& f = live.form();

    {
        actionstest::TSeamRestore seams;
        actionstest::DenyCreateKeyUnder(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(live.Click(f.bt_onoff));
    }
    ASSERT_EQ(live.rec().boxes.size(), 2u);
    EXPECT_EQ(live.rec().boxes[1].text, "Zv Foo [启用] 禁用失败！");
    EXPECT_EQ(live.rec().boxes[1].type, 0x10u);
    EXPECT_EQ(zvtest::ReadDword(HKEY_CURRENT_USER, Settings(kFoo), "Flags"), 1u);
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, Compatibility(kFoo)));
    ExpectShown(live, foo, "Zv Foo [启用]");
    zvtest::DeleteTree(HKEY_CURRENT_USER, Settings(kFoo));

    {
        actionstest::TSeamRestore seams;
        actionstest::DenyCreateKeyUnder(HKEY_CURRENT_USER);
        ASSERT_TRUE(live.Click(f.bt_onoff));
    }
    ASSERT_EQ(live.rec().boxes.size(), 4u);
    EXPECT_EQ(live.rec().boxes[3].text, "Zv Foo [启用] 禁用失败！");
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, Settings(kFoo)));
    EXPECT_EQ(zvtest::ReadDword(HKEY_LOCAL_MACHINE, Compatibility(kFoo), "Compatibility Flags"), 0x400u);
    zvtest::DeleteTree(HKEY_LOCAL_MACHINE, Compatibility(kFoo));

    {
        actionstest::TSeamRestore seams;
        actionstest::FailSetValueNamed("Version");
        ASSERT_TRUE(live.Click(f.bt_onoff));
    }
    ASSERT_EQ(live.rec().boxes.size(), 6u);
    EXPECT_EQ(live.rec().boxes[5].text, "Zv Foo [启用] 禁用失败！");
    EXPECT_FALSE(zvtest::ValueExists(HKEY_CURRENT_USER, Settings(kFoo), "Flags"));
    EXPECT_EQ(zvtest::ReadDword(HKEY_LOCAL_MACHINE, Compatibility(kFoo), "Compatibility Flags"), 0x400u);
    ExpectShown(live, foo, "Zv Foo [启用]");
    ExpectCaption(live, "禁用");
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsDisable, EnableFailsWhenThePerUserKeyIsGoneOrHasSubKeys)
{
    TRegistryScratch scratch;
    AddToolbar(scratch, kFoo, "Zv Foo", "");
    scratch.Number(HKEY_CURRENT_USER, Settings(kFoo), "Flags", 1);
    scratch.Number(HKEY_LOCAL_MACHINE, Compatibility(kFoo), "Compatibility Flags", 0x400);
    AddToolbar(scratch, kBar, "Zv Bar", "");
    scratch.Number(HKEY_CURRENT_USER, Settings(kBar) + "\\Zv Sub", "Flags", 1);
    scratch.Number(HKEY_LOCAL_MACHINE, Compatibility(kBar), "Compatibility Flags", 0x400);

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* foo = live.Entry(kToolbars, "Zv Foo");
    TTreeNode* bar = live.Entry(kToolbars, "Zv Bar");
    ASSERT_NE(foo, nullptr);
    ASSERT_NE(bar, nullptr);
    ExpectShown(live, foo, "Zv Foo [已禁用]");

    // Enabled by someone else since the scan: nothing to erase per user, the flag still goes.
    zvtest::DeleteTree(HKEY_CURRENT_USER, Settings(kFoo));
    live.Select(foo);
    ASSERT_TRUE(live.Click(f.bt_onoff));
    ASSERT_EQ(live.rec().boxes.size(), 2u);
    ExpectBox(live.rec().boxes[0], "你确定要启用 “工具栏(Toolbar)\\Zv Foo ” 吗？", 0x21, f.Handle());
    ExpectBox(live.rec().boxes[1], "Zv Foo [已禁用] 启用失败！", 0x10, f.Handle());
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, Compatibility(kFoo)));
    ExpectShown(live, foo, "Zv Foo [已禁用]");
    ExpectCaption(live, "启用");

    // Write access cannot list sub-keys, so a key that has some stays.
    live.Select(bar);
    ASSERT_TRUE(live.Click(f.bt_onoff));
    ASSERT_EQ(live.rec().boxes.size(), 4u);
    EXPECT_EQ(live.rec().boxes[3].text, "Zv Bar [已禁用] 启用失败！");
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, Settings(kBar) + "\\Zv Sub"));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, Compatibility(kBar)));
    ExpectShown(live, bar, "Zv Bar [已禁用]");
    EXPECT_TRUE(live.rec().errors.empty());
}

// Value names may hold anything: one that is empty or holds a backslash names no class of its
// own, and marks written for it would land on the settings key itself or below another class.
TEST(ActionsDisable, AnIdentifierThatIsNoKeyNameIsRefusedUntouched)
{
    TRegistryScratch scratch;
    scratch.Text(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, "", "");
    scratch.Text(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, "Zv\\Odd", "");
    scratch.Claim(HKEY_CURRENT_USER, actionstest::kExtSettings);
    scratch.Claim(HKEY_LOCAL_MACHINE, actionstest::kCompatibility);
    const bool settingsExisted = zvtest::KeyExists(HKEY_CURRENT_USER, actionstest::kExtSettings);
    const std::vector<std::string> settingsValues = zvtest::EnumValues(HKEY_CURRENT_USER, actionstest::kExtSettings);

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* category = live.Category(kToolbars);
    std::vector<TTreeNode*> odd;
    for (size_t i = 0; i < category->Count(); ++i) {
        const std::string& text = category->Item(i)->Text();
        if (text == " [启用]" || text == "Zv\\Odd [启用]") odd.push_back(category->Item(i));
    }
    ASSERT_EQ(odd.size(), 2u);
    for (TTreeNode* node : odd) {
        const std::string text = node->Text();
        live.Select(node);
        ExpectCaption(live, "禁用");
        ASSERT_TRUE(live.Click(f.bt_onoff));
        ASSERT_FALSE(live.rec().boxes.empty());
        ExpectBox(live.rec().boxes.back(), text + " 禁用失败！", 0x10, f.Handle());
        ExpectShown(live, node, text);
    }
    EXPECT_EQ(zvtest::KeyExists(HKEY_CURRENT_USER, actionstest::kExtSettings), settingsExisted);
    EXPECT_EQ(zvtest::EnumValues(HKEY_CURRENT_USER, actionstest::kExtSettings), settingsValues);
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, std::string(actionstest::kExtSettings) + "Zv"));
    EXPECT_FALSE(zvtest::ValueExists(HKEY_LOCAL_MACHINE, actionstest::kCompatibility, "Compatibility Flags"));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kCompatibility) + "Zv"));
    EXPECT_TRUE(live.rec().errors.empty());
}

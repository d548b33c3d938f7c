// Deleting an entry's registry hook from the plug-in page: what goes for each kind of entry,
// what stays beside it, the refusals and the failures, and how the tree follows.
#include "actions_support.h"

#include "platform/cmdline.h"
#include "platform/registry.h"
#include "platform/unicode_text.h"
#include "plugins/plugin_texts.h"

using actionstest::TLiveForm;
using actionstest::TRegistryScratch;
using zv::TNodeData;
using zv::TTreeNode;

namespace {

const size_t kActiveX = 5;

struct TEntryKind {
    size_t category;
    HKEY root;
    std::string key;     // the key the scanner lists
    bool byValue;        // the entry is a value of that key, else a sub-key of it
    std::string name;    // the listed name of the entry to delete
    std::string keep;    // the listed name of its sibling, which stays
    std::string text;    // how the entry begins in the tree
    std::string keepText;
};

const char kDel[] = "{5A0C1D2E-0004-4C3B-9D7E-ACA710A5E0D1}";
const char kKeep[] = "{5A0C1D2E-0004-4C3B-9D7E-ACA710A5E0F1}";

std::vector<TEntryKind> Kinds()
{
    const HKEY lm = HKEY_LOCAL_MACHINE, cu = HKEY_CURRENT_USER;
    return {
        {0, lm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects", false, kDel, kKeep,
         "Zv Deleted", "Zv Kept"},
        {1, lm, actionstest::kToolbarKey, true, kDel, kKeep, "Zv Deleted", "Zv Kept"},
        {2, lm, "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars", false, kDel, kKeep, "Zv Deleted", "Zv Kept"},
        {3, lm, "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions", false, kDel, kKeep, "Zv Menu Deleted",
         "Zv Menu Kept"},
        {4, cu, "Software\\Microsoft\\Internet Explorer\\MenuExt", false, "Zv Open Deleted", "Zv Open Kept",
         "Zv Open Deleted", "Zv Open Kept"},
        {6, cu, "Software\\Microsoft\\Internet Explorer\\URLSearchHooks", true, kDel, kKeep, "Zv Deleted", "Zv Kept"},
        {7, lm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks", true, kDel, kKeep,
         "Zv Deleted", "Zv Kept"},
    };
}

// The entry as its extension point registers it; a key entry gets a sub-key of its own too,
// which goes with it.
void AddHook(TRegistryScratch& scratch, const TEntryKind& kind, const std::string& name, const std::string& menu)
{
    if (kind.byValue) {
        scratch.Text(kind.root, kind.key, name, "");
        return;
    }
    const std::string key = kind.key + "\\" + name;
    scratch.Text(kind.root, key + "\\Zv Sub", "Zv", "sub");
    if (kind.category == 3) scratch.Text(kind.root, key, "MenuText", menu);
    if (kind.category == 4) scratch.Text(kind.root, key, "", "res://zv.dll/open.htm");
}

struct TControlKeys {
    std::string downloaded, settings, stats;
};

TControlKeys ControlKeys(const std::string& clsid)
{
    return {actionstest::kDistributionUnits + clsid, actionstest::kExtSettings + clsid,
            actionstest::kExtStats + clsid};
}

void AddControl(TRegistryScratch& scratch, const std::string& clsid)
{
    const TControlKeys keys = ControlKeys(clsid);
    scratch.Text(HKEY_LOCAL_MACHINE, keys.downloaded + "\\DownloadInformation", "CODEBASE", "http://zv.test/x.cab");
    scratch.Number(HKEY_CURRENT_USER, keys.settings, "Flags", 1);
    scratch.Number(HKEY_CURRENT_USER, keys.stats + "\\iexplore", "Type", 1);
}

bool AnyControlKey(const std::string& clsid)
{
    const TControlKeys keys = ControlKeys(clsid);
    return zvtest::KeyExists(HKEY_LOCAL_MACHINE, keys.downloaded) || zvtest::KeyExists(HKEY_CURRENT_USER, keys.settings) ||
           zvtest::KeyExists(HKEY_CURRENT_USER, keys.stats);
}

bool AllControlKeys(const std::string& clsid)
{
    const TControlKeys keys = ControlKeys(clsid);
    return zvtest::KeyExists(HKEY_LOCAL_MACHINE, keys.downloaded) && zvtest::KeyExists(HKEY_CURRENT_USER, keys.settings) &&
           zvtest::KeyExists(HKEY_CURRENT_USER, keys.stats);
}

bool HookExists(const TEntryKind& kind, const std::string& name)
{
    return kind.byValue ? zvtest::ValueExists(kind.root, kind.key, name) : zvtest::KeyExists(kind.root, kind.key + "\\" + name);
}

bool HasChild(const TTreeNode* parent, const TTreeNode* node)
{
    for (size_t i = 0; i < parent->Count(); ++i) {
        if (parent->Item(i) == node) return true;
    }
    return false;
}

// Deletes the selected entry as a user does and answers the question with OK.
void ClickDelete(TLiveForm& live, TTreeNode* node)
{
    live.Select(node);
    ASSERT_EQ(live.form().m_tree.Selected(), node);
    ASSERT_TRUE(live.Click(live.form().bt_delete));
}

}  // namespace

TEST(ActionsDelete, EachKindOfEntryLosesExactlyItsHookAndItsNode)
{
    TRegistryScratch scratch;
    for (const TEntryKind& kind : Kinds()) {
        AddHook(scratch, kind, kind.name, "Zv Menu Deleted");
        AddHook(scratch, kind, kind.keep, "Zv Menu Kept");
    }
    actionstest::RegisterClass(scratch, kDel, "Zv Deleted", "");
    actionstest::RegisterClass(scratch, kKeep, "Zv Kept", "");
    AddControl(scratch, kDel);
    AddControl(scratch, kKeep);

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    for (const TEntryKind& kind : Kinds()) {
        SCOPED_TRACE(kind.key);
        TTreeNode* category = live.Category(kind.category);
        TTreeNode* node = live.Entry(kind.category, kind.text);
        ASSERT_NE(node, nullptr);
        const std::string text = node->Text();
        const size_t entries = category->Count();
        const long records = TNodeData::LiveCount();
        const size_t boxes = live.rec().boxes.size();

        {
            zvtest::TRegistryLog log;
            ClickDelete(live, node);
            actionstest::ExpectAccess(log, KEY_ALL_ACCESS);
        }
        ASSERT_EQ(live.rec().boxes.size(), boxes + 2);
        const zvtest::TShownBox& question = live.rec().boxes[boxes];
        EXPECT_EQ(question.text, "你确定要删除 “" + category->Text() + "\\" + text + "” 吗？");
        EXPECT_EQ(question.type, 0x21u);
        EXPECT_EQ(question.caption, "提示");
        EXPECT_EQ(question.owner, f.Handle());
        EXPECT_EQ(live.rec().boxes[boxes + 1].text, "删除完毕！");
        EXPECT_EQ(live.rec().boxes[boxes + 1].type, 0x40u);
        EXPECT_EQ(live.rec().boxes[boxes + 1].caption, "提示");

        EXPECT_FALSE(HookExists(kind, kind.name));
        EXPECT_TRUE(HookExists(kind, kind.keep));
        EXPECT_TRUE(zvtest::KeyExists(kind.root, kind.key));
        EXPECT_EQ(category->Count(), entries - 1);
        EXPECT_NE(live.Entry(kind.category, kind.keepText), nullptr);
        EXPECT_EQ(live.ViewChildren(category), live.ModelChildren(category));
        EXPECT_EQ(TNodeData::LiveCount(), records - 1);
        // The tree has picked the next selection and the buttons follow it.
        TTreeNode* next = f.m_tree.Selected();
        ASSERT_NE(next, nullptr);
        EXPECT_NE(next, node);
        EXPECT_EQ(f.bt_delete.Enabled(), next->Data != nullptr);
    }
    // The classes and the controls' traces are no hooks of these entries.
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kDel));
    EXPECT_TRUE(AllControlKeys(kDel));

    TTreeNode* control = live.Entry(kActiveX, "Zv Deleted");
    ASSERT_NE(control, nullptr);
    const long records = TNodeData::LiveCount();
    {
        zvtest::TRegistryLog log;
        ClickDelete(live, control);
        actionstest::ExpectAccess(log, KEY_ALL_ACCESS);
    }
    ASSERT_FALSE(live.rec().boxes.empty());
    EXPECT_EQ(live.rec().boxes.back().text, "删除完毕！");
    EXPECT_EQ(live.rec().boxes.back().type, 0x40u);
    EXPECT_FALSE(AnyControlKey(kDel));
    EXPECT_TRUE(AllControlKeys(kKeep));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kDel));
    EXPECT_FALSE(HasChild(live.Category(kActiveX), control));
    EXPECT_EQ(TNodeData::LiveCount(), records - 1);
    EXPECT_EQ(live.ViewChildren(live.Category(kActiveX)), live.ModelChildren(live.Category(kActiveX)));
    EXPECT_TRUE(live.rec().errors.empty());
}

// An extension point's own default value is listed as an entry of its own; deleting it takes
// that value and nothing else of the key.
TEST(ActionsDelete, ADefaultValueEntryLosesOnlyThatValue)
{
    TRegistryScratch scratch;
    std::vector<TEntryKind> valueKinds;
    for (const TEntryKind& kind : Kinds()) {
        if (!kind.byValue) continue;
        valueKinds.push_back(kind);
        scratch.Text(kind.root, kind.key, "", "");
        AddHook(scratch, kind, kind.keep, "");
    }
    actionstest::RegisterClass(scratch, kKeep, "Zv Kept", "");

    TLiveForm live;
    for (const TEntryKind& kind : valueKinds) {
        SCOPED_TRACE(kind.key);
        TTreeNode* category = live.Category(kind.category);
        TTreeNode* node = nullptr;
        for (size_t i = 0; i < category->Count(); ++i) {
            const TNodeData* data = category->Item(i)->Data;
            if (data && data->ValueName.empty()) node = category->Item(i);
        }
        ASSERT_NE(node, nullptr);
        ClickDelete(live, node);
        ASSERT_FALSE(live.rec().boxes.empty());
        EXPECT_EQ(live.rec().boxes.back().text, "删除完毕！");
        EXPECT_FALSE(zvtest::ValueExists(kind.root, kind.key, ""));
        EXPECT_TRUE(zvtest::ValueExists(kind.root, kind.key, kind.keep));
        EXPECT_NE(live.Entry(kind.category, kind.keepText), nullptr);
    }
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsDelete, BuiltInEntriesAreRefusedAndDeclinedOnesKept)
{
    const std::string builtIn = "{01E04581-4EEE-11D0-BFE9-00AA005B4383}";
    zvtest::TTempDir dir;
    const std::string server = dir.File("addrbar.dll");
    TRegistryScratch scratch;
    scratch.Text(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, builtIn, "");
    actionstest::RegisterClass(scratch, builtIn, "Zv Address", server);
    scratch.Text(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, kKeep, "");
    actionstest::RegisterClass(scratch, kKeep, "Zv Kept", "");

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* node = live.Entry(1, "Zv Address");
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->ImageIndex(), zv::picSystemEntry);
    live.Select(node);
    // Offered, and refused on the click without a question.
    const struct {
        zv::TButton& button;
        const char* refusal;
    } refusals[] = {{f.bt_delete, "这个是系统的必要配置，请不要删除。"},
                    {f.bt_delfile, "这个是系统的必要文件，请不要删除。"},
                    {f.bt_delactivex, "这个是系统的必要控件，请不要删除。"}};
    for (const auto& r : refusals) {
        const size_t boxes = live.rec().boxes.size();
        ASSERT_TRUE(live.Click(r.button));
        ASSERT_EQ(live.rec().boxes.size(), boxes + 1);
        EXPECT_EQ(live.rec().boxes.back().text, r.refusal);
        EXPECT_EQ(live.rec().boxes.back().type, 0x10u);
        EXPECT_EQ(live.rec().boxes.back().caption, "提示");
        EXPECT_EQ(live.rec().boxes.back().owner, f.Handle());
    }
    EXPECT_TRUE(zvtest::ValueExists(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, builtIn));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + builtIn));
    EXPECT_TRUE(zv::FileExists(server));
    EXPECT_EQ(f.m_tree.Selected(), node);

    TTreeNode* kept = live.Entry(1, "Zv Kept");
    ASSERT_NE(kept, nullptr);
    live.Select(kept);
    live.rec().Answer(IDCANCEL);
    ASSERT_TRUE(live.Click(f.bt_delete));
    EXPECT_EQ(live.rec().boxes.back().type, 0x21u);
    EXPECT_TRUE(zvtest::ValueExists(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, kKeep));
    EXPECT_EQ(live.Entry(1, "Zv Kept"), kept);
    EXPECT_NE(kept->Data, nullptr);
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsDelete, AHookThatVanishedOrResistsIsAFailureAndTheNodeStays)
{
    const std::vector<TEntryKind> kinds = Kinds();
    const TEntryKind& helper = kinds[0];
    const TEntryKind& toolbar = kinds[1];
    const TEntryKind& hook = kinds[5];
    TRegistryScratch scratch;
    AddHook(scratch, helper, kDel, "");
    AddHook(scratch, toolbar, kDel, "");
    AddHook(scratch, toolbar, kKeep, "");
    AddHook(scratch, hook, kDel, "");
    actionstest::RegisterClass(scratch, kDel, "Zv Deleted", "");
    actionstest::RegisterClass(scratch, kKeep, "Zv Kept", "");

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    auto expectFailure = [&](size_t category) {
        TTreeNode* node = live.Entry(category, "Zv Deleted");
        ASSERT_NE(node, nullptr);
        const long records = TNodeData::LiveCount();
        ClickDelete(live, node);
        ASSERT_GE(live.rec().boxes.size(), 2u);
        EXPECT_EQ(live.rec().boxes.back().text, "删除失败！");
        // The same icon as the success.
        EXPECT_EQ(live.rec().boxes.back().type, 0x40u);
        EXPECT_EQ(live.Entry(category, "Zv Deleted"), node);
        EXPECT_NE(node->Data, nullptr);
        EXPECT_EQ(TNodeData::LiveCount(), records);
        EXPECT_EQ(f.m_tree.Selected(), node);
    };

    // A helper whose sub-key cannot be deleted keeps its key, with the sub-key.
    {
        actionstest::TSeamRestore seams;
        actionstest::FailDeleteKeyEndingWith("Zv Sub");
        expectFailure(helper.category);
    }
    EXPECT_TRUE(zvtest::KeyExists(helper.root, helper.key + "\\" + kDel + "\\Zv Sub"));

    // Gone since the scan: the value, then the key that held it.
    zvtest::DeleteTree(helper.root, helper.key + "\\" + kDel);
    expectFailure(helper.category);
    actionstest::DeleteValue(toolbar.root, toolbar.key, kDel);
    expectFailure(toolbar.category);
    EXPECT_TRUE(zvtest::ValueExists(toolbar.root, toolbar.key, kKeep));
    zvtest::DeleteTree(hook.root, hook.key);
    expectFailure(hook.category);
    EXPECT_TRUE(live.rec().errors.empty());
}

// Success for a control means none of its three keys is left: one that could not be deleted,
// or that can no longer be looked at, keeps the entry, while keys that were already missing
// count as removed. The disable mark goes last, once the machine-wide key and the statistics
// are gone.
TEST(ActionsDelete, AControlIsDeletedOnlyWhenNoneOfItsKeysRemains)
{
    TRegistryScratch scratch;
    AddControl(scratch, kDel);
    AddControl(scratch, kKeep);
    actionstest::RegisterClass(scratch, kDel, "Zv Deleted", "");
    actionstest::RegisterClass(scratch, kKeep, "Zv Kept", "");
    scratch.Number(HKEY_LOCAL_MACHINE, ControlKeys(kDel).downloaded + "\\Zv Sticky", "Zv", 1);
    scratch.Number(HKEY_CURRENT_USER, ControlKeys(kDel).stats + "\\Zv Sticky", "Zv", 1);

    TLiveForm live;
    TTreeNode* node = live.Entry(kActiveX, "Zv Deleted");
    ASSERT_NE(node, nullptr);
    const std::string text = node->Text();
    ASSERT_EQ(text, "Zv Deleted [已禁用]");
    // False once the node is gone, which ends the test before the node is touched again.
    auto stillListed = [&](size_t boxes) {
        EXPECT_EQ(live.rec().boxes.size(), boxes);
        EXPECT_EQ(live.rec().boxes.back().text, "删除失败！");
        EXPECT_EQ(live.rec().boxes.back().type, 0x40u);
        EXPECT_TRUE(AllControlKeys(kDel));
        if (live.Entry(kActiveX, "Zv Deleted") != node) return false;
        EXPECT_EQ(node->Text(), text);
        return node->Data && node->Data->Clsid == kDel;
    };
    {
        actionstest::TSeamRestore seams;
        actionstest::FailDeleteKeyEndingWith("Zv Sticky");
        ClickDelete(live, node);
    }
    ASSERT_TRUE(stillListed(2));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, ControlKeys(kDel).downloaded + "\\Zv Sticky"));
    {
        // Survives its erasure and cannot be opened: it may well be there.
        actionstest::TSeamRestore seams;
        actionstest::DenyOpenKeyEndingWith(kDel);
        ClickDelete(live, node);
    }
    ASSERT_TRUE(stillListed(4));
    {
        // The statistics survive: the disable mark stays with them.
        zvtest::DeleteTree(HKEY_LOCAL_MACHINE, ControlKeys(kDel).downloaded + "\\Zv Sticky");
        actionstest::TSeamRestore seams;
        actionstest::FailDeleteKeyEndingWith("Zv Sticky");
        ClickDelete(live, node);
    }
    ASSERT_EQ(live.rec().boxes.size(), 6u);
    EXPECT_EQ(live.rec().boxes[5].text, "删除失败！");
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, ControlKeys(kDel).settings));
    EXPECT_EQ(node->Text(), text);

    // Once the sticky key can go, all three go.
    const long records = TNodeData::LiveCount();
    ClickDelete(live, node);
    ASSERT_EQ(live.rec().boxes.size(), 8u);
    EXPECT_EQ(live.rec().boxes[7].text, "删除完毕！");
    EXPECT_FALSE(AnyControlKey(kDel));
    EXPECT_EQ(live.Entry(kActiveX, "Zv Deleted"), nullptr);
    EXPECT_EQ(TNodeData::LiveCount(), records - 1);

    // All three gone since the scan: still deleted, and the node goes.
    TTreeNode* kept = live.Entry(kActiveX, "Zv Kept");
    ASSERT_NE(kept, nullptr);
    const TControlKeys keys = ControlKeys(kKeep);
    zvtest::DeleteTree(HKEY_LOCAL_MACHINE, keys.downloaded);
    zvtest::DeleteTree(HKEY_CURRENT_USER, keys.settings);
    zvtest::DeleteTree(HKEY_CURRENT_USER, keys.stats);
    ClickDelete(live, kept);
    ASSERT_EQ(live.rec().boxes.size(), 10u);
    EXPECT_EQ(live.rec().boxes[9].text, "删除完毕！");
    EXPECT_EQ(live.Entry(kActiveX, "Zv Kept"), nullptr);
    EXPECT_EQ(live.ViewChildren(live.Category(kActiveX)), live.ModelChildren(live.Category(kActiveX)));
    EXPECT_TRUE(live.rec().errors.empty());
}

// Records whose names would widen the deletion: an identifier that names no single key, a
// path that ends in a backslash, a value name cut short by a zero byte.
TEST(ActionsDelete, ARecordNamingMoreThanOneEntryDeletesNothing)
{
    const std::string parent = "Software\\Zv Actions Parent";
    TRegistryScratch scratch;
    AddControl(scratch, kKeep);
    scratch.Text(HKEY_CURRENT_USER, parent + "\\Zv Child", "Zv Keep", "kept");

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    const std::vector<TTreeNode*> odd = {
        actionstest::AddEntry(f, live.Category(kActiveX), "Zv Empty [启用]",
                              [](TNodeData& r) {
                                  r.IsActiveX = 1;
                                  r.Deletable = 1;
                                  r.CanDisable = 1;
                              }),
        actionstest::AddEntry(f, live.Category(kActiveX), "Zv Nested [启用]",
                              [](TNodeData& r) {
                                  r.Clsid = std::string(kKeep) + "\\iexplore";
                                  r.IsActiveX = 1;
                                  r.Deletable = 1;
                              }),
        actionstest::AddEntry(f, live.Category(4), "Zv Trailing",
                              [&](TNodeData& r) {
                                  r.RootKey = zv::kHkeyCurrentUser;
                                  r.KeyPath = parent + "\\";
                                  r.Deletable = 1;
                              }),
        actionstest::AddEntry(f, live.Category(6), "Zv Cut",
                              [&](TNodeData& r) {
                                  r.RootKey = zv::kHkeyCurrentUser;
                                  r.KeyPath = parent + "\\Zv Child";
                                  r.ValueName = std::string("Zv Keep\0tail", 12);
                                  r.IsValue = 1;
                                  r.Deletable = 1;
                              }),
    };
    for (TTreeNode* node : odd) {
        SCOPED_TRACE(node->Text());
        ClickDelete(live, node);
        ASSERT_FALSE(live.rec().boxes.empty());
        EXPECT_EQ(live.rec().boxes.back().text, "删除失败！");
        EXPECT_NE(node->Data, nullptr);
    }
    EXPECT_TRUE(AllControlKeys(kKeep));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, ControlKeys(kKeep).stats + "\\iexplore"));
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, parent + "\\Zv Child", "Zv Keep"), "kept");
    EXPECT_TRUE(live.rec().errors.empty());
}

namespace {

// Values or sub-keys of a machine-wide key made by their wide names, which the fixtures' ANSI
// calls cannot name, and removed again.
struct TWideNames {
    std::wstring key;
    std::vector<std::wstring> names;
    bool values;
    bool Has(const std::wstring& name, bool remove = false) const
    {
        HKEY h = nullptr, sub = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | zv::NativeViewFlag(), &h)) return false;
        LONG rc = values ? RegQueryValueExW(h, name.c_str(), nullptr, nullptr, nullptr, nullptr)
                         : RegOpenKeyExW(h, name.c_str(), 0, KEY_READ, &sub);
        if (sub) RegCloseKey(sub);
        if (remove) rc = values ? RegDeleteValueW(h, name.c_str()) : RegDeleteKeyW(h, name.c_str());
        RegCloseKey(h);
        return rc == ERROR_SUCCESS;
    }
    TWideNames(std::wstring k, std::vector<std::wstring> n, bool v) : key(std::move(k)), names(std::move(n)), values(v)
    {
        HKEY h = nullptr, sub = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | zv::NativeViewFlag(), nullptr, &h,
                        nullptr);
        for (const std::wstring& name : names) {
            if (values) RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), 2);
            if (!values && !RegCreateKeyExW(h, name.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr)) RegCloseKey(sub);
        }
        RegCloseKey(h);
    }
    ~TWideNames() { for (const std::wstring& name : names) Has(name, true); }
};

// The classes the real entries name: identifier and display name, which names the server file too.
const std::vector<std::pair<std::string, std::string>> kTwinClasses = {{"Zv??", "Zv Marks"}, {"ZvOffice2", "Zv Office"}};

}  // namespace

// The ANSI registry functions list what the code page cannot hold as "?" and what it holds only
// by best fit as its look-alike: "Zv😀" reads as "Zv??", "ZvOffice²" as "ZvOffice2", each beside
// the real one, and each resolves the real one's class and file. No action on any of those rows
// may go ahead, nor the delete of a key whose tree holds such a name: it could not be erased whole.
TEST(ActionsDelete, NamesTheCodePageCannotHoldAreNeverActedOn)
{
    const std::vector<std::wstring> names = {L"Zv\U0001F600", L"Zv??", L"ZvOffice\u00B2", L"ZvOffice2"};
    const std::string helper = Kinds()[0].key + "\\" + kDel;
    zvtest::TTempDir dir;
    TRegistryScratch scratch;
    scratch.Claim(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey);
    for (const auto& [clsid, display] : kTwinClasses) {
        actionstest::RegisterClass(scratch, clsid, display, dir.File(display + ".dll"));
        scratch.Claim(HKEY_CURRENT_USER, actionstest::kExtSettings + clsid);
        scratch.Claim(HKEY_LOCAL_MACHINE, actionstest::kCompatibility + clsid);
    }
    actionstest::RegisterClass(scratch, kDel, "Zv Tree", "");
    scratch.Text(HKEY_LOCAL_MACHINE, helper + "\\Zv Sub", "Zv", "sub");
    const TWideNames values(L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", names, true);
    const TWideNames subKey(zv::AnsiToWide(helper), {names[0]}, false);
    for (const std::wstring& name : names) ASSERT_TRUE(values.Has(name) && subKey.Has(names[0]));

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* category = live.Category(1);
    std::vector<TTreeNode*> rows;
    for (size_t i = 0; i < category->Count(); ++i) {
        const std::string text = category->Item(i)->Text();
        if (text == "Zv Marks [启用]" || text == "Zv Office [启用]") rows.push_back(category->Item(i));
    }
    ASSERT_EQ(rows.size(), 4u) << "each listed, two under each text";
    for (TTreeNode* row : rows) {
        const std::string text = row->Text();
        ClickDelete(live, row);
        // A delete that went ahead took the row with it.
        ASSERT_EQ(live.rec().boxes.back().text, "删除失败！");
        EXPECT_EQ(live.rec().boxes.back().type, 0x40u);
        ASSERT_TRUE(live.Click(f.bt_onoff));
        EXPECT_EQ(live.rec().boxes.back().text, text + " 禁用失败！");
        EXPECT_EQ(live.rec().boxes.back().type, 0x10u);
        live.rec().Answer(IDYES);
        ASSERT_TRUE(live.Click(f.bt_delactivex));
        EXPECT_EQ(live.rec().boxes.back().text, text + " 注销失败！");
        live.rec().Answer(IDYES);
        ASSERT_TRUE(live.Click(f.bt_delfile));
        ASSERT_NE(row->Data, nullptr);
        EXPECT_EQ(live.rec().boxes.back().text, row->Data->FileName + " 删除失败！");
        EXPECT_EQ(live.rec().boxes.back().type, 0x10u);
    }
    ClickDelete(live, live.Entry(0, "Zv Tree"));
    EXPECT_EQ(live.rec().boxes.back().text, "删除失败！");

    for (const std::wstring& name : names) EXPECT_TRUE(values.Has(name));
    EXPECT_TRUE(subKey.Has(names[0]));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, helper + "\\Zv Sub"));
    for (const auto& [clsid, display] : kTwinClasses) {
        EXPECT_TRUE(zv::FileExists(dir.Path() + "\\" + display + ".dll"));
        EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, actionstest::kClassesClsid + clsid));
        EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, actionstest::kExtSettings + clsid));
        EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, actionstest::kCompatibility + clsid));
    }
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsDelete, WithoutASelectedRecordNoActionAsksOrChangesAnything)
{
    TRegistryScratch scratch;
    AddControl(scratch, kKeep);
    TLiveForm live(false);
    zv::Tfm_main& f = live.form();
    const size_t nodes = f.m_tree.Count();
    const std::vector<void (zv::Tfm_main::*)(zv::TObject*)> handlers = {
        &zv::Tfm_main::bt_deleteClick, &zv::Tfm_main::bt_delfileClick, &zv::Tfm_main::bt_delactivexClick,
        &zv::Tfm_main::bt_onoffClick};
    for (TTreeNode* selected : {static_cast<TTreeNode*>(nullptr), live.Category(kActiveX)}) {
        f.m_tree.Select(selected);
        for (auto handler : handlers) (f.*handler)(nullptr);
    }
    EXPECT_TRUE(live.rec().boxes.empty());
    EXPECT_EQ(f.m_tree.Count(), nodes);
    EXPECT_TRUE(AllControlKeys(kKeep));
    EXPECT_TRUE(live.rec().errors.empty());
}

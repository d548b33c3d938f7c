// The extension-point scanners against the real registry: what each category lists, shows
// and records, and in which order.
#include <algorithm>

#include "inventory_support.h"
#include "registry_log.h"
#include "ui/w_main.h"

using namespace inventorytest;
using zv::TTreeNode;

namespace {

constexpr uint32_t kHklm = 0x80000002u;
constexpr uint32_t kHkcu = 0x80000001u;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string Under(const char* key, const std::string& name) { return std::string(key) + "\\" + name; }

}  // namespace

TEST(ScanToolbars, BuiltInTestStateMarksAndRecords)
{
    TKeyFixture toolbars(HKEY_LOCAL_MACHINE, kToolbarKey);
    TKeyFixture bars(HKEY_LOCAL_MACHINE, kExplorerBarsKey);
    zvtest::TTempDir dir;
    const std::string server = dir.File("zvbar.dll");
    const std::string address = "{01E04581-4EEE-11D0-BFE9-00AA005B4383}";
    const std::string addressLower = "{01e04581-4eee-11d0-bfe9-00aa005b4383}";
    const std::string tipBar = "{4D5C8C25-D075-11d0-B416-00C04FB90376}";
    TClasses classes;
    classes.Add(address, "地址栏");
    classes.Add(FakeId(1), "Zv 工具条", server);
    TDisabled disabled;
    disabled.Add(FakeId(1));
    for (const std::string& name : {address, std::string("11D0"), std::string("11d0-BFE9"), FakeId(1), FakeId(2)}) {
        toolbars.SetText("", name, "");
    }
    bars.CreateSub(addressLower);
    bars.CreateSub(tipBar);

    TScan scan;
    scan.Rebuild();

    TTreeNode* builtIn = scan.Entry(kToolbars, "地址栏");
    ASSERT_TRUE(builtIn);
    EXPECT_EQ(builtIn->Text(), "地址栏 [启用]");
    EXPECT_EQ(builtIn->ImageIndex(), 6);
    EXPECT_EQ(Fields(builtIn), (TRecordFields{kHklm, kToolbarKey, address, address, "", 0, 0, 1}));
    EXPECT_EQ(Shown(builtIn), (std::vector<TShownNode>{{address, 5}}));

    TTreeNode* fragment = scan.Entry(kToolbars, "11D0");
    ASSERT_TRUE(fragment);
    EXPECT_EQ(fragment->Text(), "11D0 [启用]");
    EXPECT_EQ(fragment->ImageIndex(), 6);
    EXPECT_EQ(fragment->Data->Deletable, 0);
    EXPECT_EQ(fragment->Count(), 0u);

    // The fragment with the case of another identifier in the list is nowhere in it.
    TTreeNode* wrongCase = scan.Entry(kToolbars, "11d0-BFE9");
    ASSERT_TRUE(wrongCase);
    EXPECT_EQ(wrongCase->ImageIndex(), 3);
    EXPECT_EQ(wrongCase->Data->Deletable, 1);

    TTreeNode* own = scan.Entry(kToolbars, "Zv 工具条");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->Text(), "Zv 工具条 [已禁用]");
    EXPECT_EQ(own->ImageIndex(), 3);
    EXPECT_EQ(Shown(own), (std::vector<TShownNode>{{FakeId(1), 5}, {server, 4}}));
    EXPECT_EQ(Fields(own), (TRecordFields{kHklm, kToolbarKey, FakeId(1), FakeId(1), server, 1, 0, 1}));

    TTreeNode* unregistered = scan.Entry(kToolbars, FakeId(2));
    ASSERT_TRUE(unregistered);
    EXPECT_EQ(unregistered->Text(), FakeId(2) + " [启用]");
    EXPECT_EQ(unregistered->Count(), 0u);
    EXPECT_EQ(unregistered->Data->FileName, "");

    // Class keys are found whatever the letter case, the built-in list is not.
    TTreeNode* lowerBar = scan.Entry(kExplorerBars, "地址栏");
    ASSERT_TRUE(lowerBar);
    EXPECT_EQ(lowerBar->ImageIndex(), 3);
    EXPECT_EQ(Fields(lowerBar),
              (TRecordFields{kHklm, Under(kExplorerBarsKey, addressLower), "", addressLower, "", 1, 0, 1}));
    TTreeNode* tips = scan.Entry(kExplorerBars, tipBar);
    ASSERT_TRUE(tips);
    EXPECT_EQ(tips->Text(), tipBar + " [启用]");
    EXPECT_EQ(tips->ImageIndex(), 6);
    EXPECT_EQ(tips->Data->Deletable, 0);
    EXPECT_EQ(scan.Category(kToolbars)->Count(), 5u);
    EXPECT_EQ(scan.Category(kExplorerBars)->Count(), 2u);
}

TEST(ScanBrowserHelperObjects, NamesStatesAndServerFiles)
{
    TKeyFixture helpers(HKEY_LOCAL_MACHINE, kHelperObjectsKey);
    zvtest::TTempDir dir;
    const std::string server = dir.File("zv helper.dll");
    const std::string addressBar = "{01E04581-4EEE-11D0-BFE9-00AA005B4383}";
    TClasses classes;
    classes.Add(FakeId(0x11), "Zv 浏览助手", Quoted(server));
    classes.Add(FakeId(0x13), "仅有名称");
    classes.Add(FakeId(0x14), "", server);
    TDisabled disabled;
    disabled.Add(FakeId(0x11));
    disabled.Add(FakeId(0x12));
    for (int id : {0x11, 0x12, 0x13, 0x14, 0x15}) helpers.CreateSub(FakeId(id));
    helpers.CreateSub(addressBar);

    TScan scan;
    scan.Rebuild();
    const TTreeNode* category = scan.Category(kHelperObjects);
    ASSERT_EQ(category->Count(), 6u);
    for (size_t i = 0; i < category->Count(); ++i) EXPECT_EQ(category->Item(i)->ImageIndex(), 3);

    TTreeNode* named = scan.Entry(kHelperObjects, "Zv 浏览助手");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->Text(), "Zv 浏览助手 [已禁用]");
    EXPECT_EQ(Shown(named), (std::vector<TShownNode>{{FakeId(0x11), 5}, {server, 4}}));
    EXPECT_EQ(Fields(named),
              (TRecordFields{kHklm, Under(kHelperObjectsKey, FakeId(0x11)), "", FakeId(0x11), server, 1, 0, 1}));

    TTreeNode* disabledUnregistered = scan.Entry(kHelperObjects, FakeId(0x12));
    ASSERT_TRUE(disabledUnregistered);
    EXPECT_EQ(disabledUnregistered->Text(), FakeId(0x12) + " [已禁用]");
    EXPECT_EQ(disabledUnregistered->Count(), 0u);

    TTreeNode* nameOnly = scan.Entry(kHelperObjects, "仅有名称");
    ASSERT_TRUE(nameOnly);
    EXPECT_EQ(nameOnly->Text(), "仅有名称 [启用]");
    EXPECT_EQ(Shown(nameOnly), (std::vector<TShownNode>{{FakeId(0x13), 5}}));
    EXPECT_EQ(nameOnly->Data->FileName, "");

    // Without a display name no detail is shown, yet the server file is recorded.
    TTreeNode* serverOnly = scan.Entry(kHelperObjects, FakeId(0x14));
    ASSERT_TRUE(serverOnly);
    EXPECT_EQ(serverOnly->Text(), FakeId(0x14) + " [启用]");
    EXPECT_EQ(serverOnly->Count(), 0u);
    EXPECT_EQ(serverOnly->Data->FileName, server);

    // Helper objects make no built-in test.
    TTreeNode* builtInId = scan.Entry(kHelperObjects, addressBar);
    ASSERT_TRUE(builtInId);
    EXPECT_EQ(builtInId->Data->Deletable, 1);
}

TEST(ResolveClsid, ServerPathsAsStored)
{
    TWindowsFolder folder;
    const std::string a = folder.File("a.dll");
    const std::string chinese = folder.File("中文插件.dll");
    zvtest::TTempDir dir;
    const std::string spaced = dir.File("zv plug.dll");
    TLooseFile inSystem(SystemDir(), "zvinv_srv.dll");
    const std::string system = SystemDir();
    struct TCase {
        int id;
        std::string stored;
        std::string file;
    };
    const TCase cases[] = {
        {0x21, "%SystemRoot%\\" + folder.Name() + "\\a.dll", a},
        {0x22, "%SYSTEMROOT%\\" + folder.Name() + "\\a.dll", a},
        {0x23, "%systemroot%\\" + folder.Name() + "\\中文插件.dll", chinese},
        {0x24, Quoted(spaced), spaced},
        {0x25, "zvinv_srv.dll", inSystem.Path()},
        {0x26, "%ProgramFiles%\\zvinv\\c.dll", system + "\\%ProgramFiles%\\zvinv\\c.dll"},
        {0x27, "C:\\zvinv_nowhere\\d.dll", "C:\\zvinv_nowhere\\d.dll"},
        {0x28, "%SystemRoot%\\" + folder.Name(), folder.Path()},
        {0x29, "%SystemRoot", system + "\\%SystemRoot"},
    };
    TClasses classes;
    for (const TCase& c : cases) classes.Add(FakeId(c.id), "服务器", c.stored);
    TKeyFixture expand(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + FakeId(0x2A));
    expand.SetText("InprocServer32", "", "%SystemRoot%\\" + folder.Name() + "\\a.dll", REG_EXPAND_SZ);

    zv::Tfm_main form;
    for (const TCase& c : cases) {
        std::string file, name;
        form.ResolveClsid(FakeId(c.id), file, name);
        EXPECT_EQ(file, c.file) << c.stored;
        EXPECT_EQ(name, "服务器") << c.stored;
    }
    std::string file, name = "stale";
    form.ResolveClsid(FakeId(0x2A), file, name);
    EXPECT_EQ(file, a);
    EXPECT_EQ(name, "");
}

TEST(ResolveClsid, OddClassIdentifiers)
{
    zvtest::TTempDir dir;
    const std::string server = dir.File("odd.dll");
    // Wine's ANSI registry calls take paths of up to 260 characters: the longest identifier
    // whose server key still fits.
    const std::string longId(222, 'Z');
    const std::string chinese = "{中文标识}";
    // The second byte of this character is a backslash, yet it is one character of the name.
    const std::string trailBackslash = "{\x81\x5C}";
    TClasses classes;
    classes.Add(longId, "长名称", server);
    classes.Add(chinese, "中文类", server);
    classes.Add(trailBackslash, "双字节", server);
    classes.Add(FakeId(0x31), "名称", server);

    zv::Tfm_main form;
    auto resolve = [&form](const std::string& clsid) {
        std::string file = "stale", name = "stale";
        form.ResolveClsid(clsid, file, name);
        return std::make_pair(name, file);
    };
    EXPECT_EQ(resolve(longId), std::make_pair(std::string("长名称"), server));
    EXPECT_EQ(resolve(chinese), std::make_pair(std::string("中文类"), server));
    EXPECT_EQ(resolve(trailBackslash), std::make_pair(std::string("双字节"), server));
    const std::pair<std::string, std::string> nothing;
    EXPECT_EQ(resolve(""), nothing);
    EXPECT_EQ(resolve(std::string(256, 'Z')), nothing);
    EXPECT_EQ(resolve("{odd \"quoted\" %SystemRoot% name}"), nothing);
    // A value name may hold a backslash; it must not reach into the class's own sub-keys.
    EXPECT_EQ(resolve(FakeId(0x31) + "\\InprocServer32"), nothing);
    EXPECT_EQ(resolve(FakeId(0x31) + "\\"), nothing);
}

// Scans read, and read only machine-wide class registrations: a class the user registered for
// himself is no class of the browser's.
TEST(ScanRequests, ReadOnlyAndMachineWideClassesOnly)
{
    zvtest::TTempDir dir;
    const std::string userOnly = FakeId(0x38);
    TKeyFixture toolbar(HKEY_LOCAL_MACHINE, kToolbarKey);
    toolbar.SetText("", userOnly, "");
    TKeyFixture userClass(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\" + userOnly);
    userClass.SetText("", "", "Zv 用户类");
    userClass.SetText("InprocServer32", "", dir.File("user.dll"));

    TScan scan;
    zvtest::TRegistryLog log;
    scan.Rebuild();
    scan.form().ScanStartupItems();

    const TTreeNode* entry = scan.Entry(kToolbars, userOnly);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Text(), userOnly + " [启用]");
    EXPECT_EQ(entry->Count(), 0u);
    ASSERT_NE(entry->Data, nullptr);
    EXPECT_EQ(entry->Data->FileName, "");

    bool classLookedUp = false;
    for (const zvtest::TRegistryRequest& r : log.requests) {
        ASSERT_EQ(r.kind, zvtest::TRegistryRequest::Open) << r.path;
        EXPECT_EQ(r.access, static_cast<REGSAM>(KEY_READ)) << r.path;
        if (r.path.find("Classes\\CLSID\\" + userOnly) != std::string::npos) {
            classLookedUp = true;
            EXPECT_EQ(r.root, HKEY_LOCAL_MACHINE) << r.path;
        }
    }
    EXPECT_TRUE(classLookedUp);
}

TEST(ScanExtensions, MenuAndButtonTextsCommandsAndOrder)
{
    TKeyFixture extensions(HKEY_LOCAL_MACHINE, kExtensionsKey);
    // Created in the order every registry enumerates them.
    extensions.SetText(FakeId(0x41), "MenuText", "Zv 翻译");
    extensions.SetText(FakeId(0x41), "ButtonText", "不显示");
    extensions.SetText(FakeId(0x41), "Exec", "C:\\Program Files\\Zv\\tr.exe");
    extensions.SetText(FakeId(0x42), "MenuText", "");
    extensions.SetText(FakeId(0x42), "ButtonText", "Alpha 按钮");
    // Listed after the last entry whose text changed: these keep the listing order, which
    // differs from their text order (the word sort ignores the hyphen).
    extensions.SetText("{E-2}", "Exec", "zvinv.exe");
    extensions.CreateSub("{E1}");

    TScan scan;
    scan.Rebuild();
    TTreeNode* category = scan.Category(kExtensions);
    ASSERT_TRUE(category);
    const std::vector<std::string> listed = zvtest::EnumSubKeys(HKEY_LOCAL_MACHINE, kExtensionsKey);
    ASSERT_EQ(listed.size(), 4u);
    ASSERT_EQ(std::vector<std::string>(listed.begin() + 2, listed.end()), (std::vector<std::string>{"{E-2}", "{E1}"}));
    ASSERT_LT(lstrcmpA("{E1}", "{E-2}"), 0) << "the fixture relies on the word sort";
    EXPECT_EQ(Texts(category), (std::vector<std::string>{"Alpha 按钮", "Zv 翻译", "{E-2}", "{E1}"}));

    const std::string exec = "C:\\Program Files\\Zv\\tr.exe";
    const std::vector<std::pair<std::string, std::string>> clsidAndExec{
        {FakeId(0x42), ""}, {FakeId(0x41), exec}, {"{E-2}", "zvinv.exe"}, {"{E1}", ""}};
    for (size_t i = 0; i < clsidAndExec.size(); ++i) {
        const auto& [clsid, file] = clsidAndExec[i];
        EXPECT_EQ(category->Item(i)->ImageIndex(), 3);
        EXPECT_EQ(Fields(category->Item(i)), (TRecordFields{kHklm, Under(kExtensionsKey, clsid), "", clsid, file, 1, 0, 0}));
    }
    EXPECT_EQ(Shown(category->Item(0)), (std::vector<TShownNode>{{"CLSID:" + FakeId(0x42), 5}}));
    EXPECT_EQ(Shown(category->Item(1)), (std::vector<TShownNode>{{"CLSID:" + FakeId(0x41), 5}, {exec, 5}}));
    EXPECT_EQ(Shown(category->Item(2)), (std::vector<TShownNode>{{"zvinv.exe", 5}}));
    EXPECT_EQ(category->Item(3)->Count(), 0u);
}

TEST(ScanMenuExt, MenuTargetsInTheRegistrysOrder)
{
    TKeyFixture menus(HKEY_CURRENT_USER, kMenuExtKey);
    menus.SetText("&Zv 搜索", "", "res://C:\\Zv\\search.dll/menu.htm");
    menus.CreateSub("a-c");
    menus.SetText("ab", "", "file://C:\\Zv\\ab.htm");
    menus.SetText("ab", "contexts", "");

    TScan scan;
    scan.Rebuild();
    TTreeNode* category = scan.Category(kMenuExt);
    ASSERT_TRUE(category);
    const std::vector<std::string> listed = zvtest::EnumSubKeys(HKEY_CURRENT_USER, kMenuExtKey);
    ASSERT_LT(lstrcmpA("ab", "a-c"), 0) << "the fixture relies on the word sort";
    ASSERT_EQ(listed, (std::vector<std::string>{"&Zv 搜索", "a-c", "ab"}));
    EXPECT_EQ(Texts(category), listed);

    for (size_t i = 0; i < category->Count(); ++i) {
        const TTreeNode* entry = category->Item(i);
        EXPECT_EQ(entry->ImageIndex(), 3);
        EXPECT_EQ(Fields(entry), (TRecordFields{kHkcu, Under(kMenuExtKey, entry->Text()), "", "", "", 1, 0, 0}));
    }
    EXPECT_EQ(Shown(category->Item(0)), (std::vector<TShownNode>{{"res://C:\\Zv\\search.dll/menu.htm", 5}}));
    EXPECT_EQ(category->Item(1)->Count(), 0u);
    EXPECT_EQ(Shown(category->Item(2)), (std::vector<TShownNode>{{"file://C:\\Zv\\ab.htm", 5}}));
}

TEST(ScanHooks, SortedUpToTheLastResolvedThenAsListed)
{
    TKeyFixture search(HKEY_CURRENT_USER, kUrlSearchHooksKey);
    TKeyFixture execute(HKEY_LOCAL_MACHINE, kShellExecuteHooksKey);
    zvtest::TTempDir dir;
    const std::string server = dir.File("hook.dll");
    TClasses classes;
    classes.Add(FakeId(0x51), "Zeta 搜索", server);
    classes.Add(FakeId(0x53), "Alpha 搜索");
    const std::string searchHook = "{CFBFAE00-17A6-11D0-99CB-00C04FD64497}";
    const std::string urlExecuteHook = "{AEB6717E-7E19-11d0-97EE-00C04FD91972}";
    for (const TKeyFixture* key : {&search, &execute}) {
        for (const std::string& name : {FakeId(0x51), FakeId(0x52), FakeId(0x53), std::string("{E-2}"),
                                        std::string("{E1}")}) {
            key->SetText("", name, "");
        }
    }
    search.SetText("", searchHook, "");
    execute.SetText("", urlExecuteHook, "");

    TScan scan;
    scan.Rebuild();
    ASSERT_LT(lstrcmpA(FakeId(0x52).c_str(), "Alpha"), 0) << "the fixture relies on the word sort";
    ASSERT_LT(lstrcmpA("{E1}", "{E-2}"), 0) << "the fixture relies on the word sort";
    struct TCategory {
        const char* text;
        HKEY root;
        const char* key;
        uint32_t rootKey;
        std::string builtIn;
    };
    for (const TCategory& c : {TCategory{kUrlSearchHooks, HKEY_CURRENT_USER, kUrlSearchHooksKey, kHkcu, searchHook},
                               TCategory{kShellExecuteHooks, HKEY_LOCAL_MACHINE, kShellExecuteHooksKey, kHklm,
                                         urlExecuteHook}}) {
        SCOPED_TRACE(c.text);
        TTreeNode* category = scan.Category(c.text);
        ASSERT_TRUE(category);
        std::vector<std::string> expected{FakeId(0x52), "Alpha 搜索", "Zeta 搜索"};
        const std::vector<std::string> listed = zvtest::EnumValues(c.root, c.key);
        const auto lastResolved = std::find(listed.begin(), listed.end(), FakeId(0x53));
        ASSERT_NE(lastResolved, listed.end());
        expected.insert(expected.end(), lastResolved + 1, listed.end());
        ASSERT_EQ(expected.size(), 6u);
        EXPECT_EQ(Texts(category), expected);

        TTreeNode* zeta = scan.Entry(c.text, "Zeta");
        ASSERT_TRUE(zeta);
        EXPECT_EQ(Shown(zeta), (std::vector<TShownNode>{{FakeId(0x51), 5}, {server, 4}}));
        EXPECT_EQ(zeta->ImageIndex(), 3);
        EXPECT_EQ(Fields(zeta), (TRecordFields{c.rootKey, c.key, FakeId(0x51), FakeId(0x51), server, 1, 0, 0}));
        EXPECT_EQ(Shown(scan.Entry(c.text, "Alpha")), (std::vector<TShownNode>{{FakeId(0x53), 5}}));

        TTreeNode* builtIn = scan.Entry(c.text, c.builtIn);
        ASSERT_TRUE(builtIn);
        EXPECT_EQ(builtIn->Text(), c.builtIn);
        EXPECT_EQ(builtIn->ImageIndex(), 6);
        EXPECT_EQ(Fields(builtIn), (TRecordFields{c.rootKey, c.key, c.builtIn, c.builtIn, "", 0, 0, 0}));
    }
}

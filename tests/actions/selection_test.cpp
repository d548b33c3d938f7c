// Which buttons the plug-in page offers for the selected node, and the property sheet that a
// double click on a file line asks the shell for.
#include "actions_support.h"

#include <cstring>

using actionstest::AddEntry;
using actionstest::TLiveForm;
using zv::TNodeData;
using zv::TTreeNode;

namespace {

struct TButtonsSeen {
    bool del, onoff, activex, file;
    std::string caption;
};

TButtonsSeen Model(zv::Tfm_main& f)
{
    return {f.bt_delete.Enabled(), f.bt_onoff.Enabled(), f.bt_delactivex.Enabled(), f.bt_delfile.Enabled(),
            f.bt_onoff.Caption()};
}

TButtonsSeen Window(TLiveForm& live)
{
    zv::Tfm_main& f = live.form();
    return {IsWindowEnabled(f.bt_delete.Handle()) != FALSE, IsWindowEnabled(f.bt_onoff.Handle()) != FALSE,
            IsWindowEnabled(f.bt_delactivex.Handle()) != FALSE, IsWindowEnabled(f.bt_delfile.Handle()) != FALSE,
            live.WindowCaption(f.bt_onoff)};
}

void ExpectButtons(TLiveForm& live, bool del, bool onoff, bool activex, bool file, const std::string& caption)
{
    for (const TButtonsSeen& seen : {Model(live.form()), Window(live)}) {
        EXPECT_EQ(seen.del, del);
        EXPECT_EQ(seen.onoff, onoff);
        EXPECT_EQ(seen.activex, activex);
        EXPECT_EQ(seen.file, file);
        EXPECT_EQ(seen.caption, caption);
    }
}

const char kClsid[] = "{5A0C1D2E-0001-4C3B-9D7E-ACA710A5E001}";

}  // namespace

TEST(ActionsSelection, ButtonsFollowTheSelectedNodeInTheRealWindow)
{
    TLiveForm live;
    zv::Tfm_main& f = live.form();
    // Before any selection change the window offers all four.
    ExpectButtons(live, true, true, true, true, "禁用");

    TTreeNode* hook = AddEntry(f, live.Category(7), "Search Hook", [](TNodeData& r) {
        r.Clsid = kClsid;
        r.FileName = "C:\\windows\\system32\\hook.dll";
        r.Deletable = 1;
    });
    TTreeNode* hookClsid = f.m_tree.Add(hook, kClsid);
    TTreeNode* menu = AddEntry(f, live.Category(4), "Open in Foo", [](TNodeData& r) { r.Deletable = 1; });
    TTreeNode* disabled = AddEntry(f, live.Category(1), "Toolbar [已禁用]", [](TNodeData& r) {
        r.Clsid = kClsid;
        r.CanDisable = 1;
    });
    TTreeNode* enabled = AddEntry(f, live.Category(1), "Other bar [启用]", [](TNodeData& r) {
        r.Clsid = kClsid;
        r.CanDisable = 1;
    });
    TTreeNode* unmarked = AddEntry(f, live.Category(0), "Helper", [](TNodeData& r) { r.CanDisable = 1; });
    TTreeNode* namedEnabling = AddEntry(f, live.Category(2), "启用助手 [已禁用]", [](TNodeData& r) { r.CanDisable = 1; });
    // "启用" is C6F4 D3C3; here those four bytes straddle three characters (B0C6 F4D3 C3C0).
    TTreeNode* straddling =
        AddEntry(f, live.Category(2), "\xB0\xC6\xF4\xD3\xC3\xC0 [已禁用]", [](TNodeData& r) { r.CanDisable = 1; });

    live.Select(enabled);
    ASSERT_EQ(f.m_tree.Selected(), enabled);
    ExpectButtons(live, true, true, true, false, "禁用");

    live.Select(live.Category(1));
    ExpectButtons(live, false, false, false, false, "禁用");

    live.Select(disabled);
    ExpectButtons(live, true, true, true, false, "启用");

    // A detail line holds no record: nothing to act on, and the caption stays as it was.
    live.Select(hookClsid);
    ExpectButtons(live, false, false, false, false, "启用");

    live.Select(hook);
    ExpectButtons(live, true, false, true, true, "启用");

    live.Select(menu);
    ExpectButtons(live, true, false, false, false, "启用");

    live.Select(namedEnabling);
    ExpectButtons(live, true, true, false, false, "禁用");

    live.Select(unmarked);
    ExpectButtons(live, true, true, false, false, "启用");

    live.Select(namedEnabling);
    live.Select(straddling);
    ExpectButtons(live, true, true, false, false, "启用");

    // Losing the selection leaves the buttons as they were.
    live.Select(nullptr);
    ASSERT_EQ(f.m_tree.Selected(), nullptr);
    ExpectButtons(live, true, true, false, false, "启用");
    EXPECT_TRUE(live.rec().boxes.empty());
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsSelection, DoubleClickAsksForThePropertiesOfAnExistingFileOnly)
{
    zvtest::TTempDir dir;
    const std::string dll = dir.File("server.dll");
    const std::string gone = dir.File("gone.dll");
    ASSERT_TRUE(DeleteFileA(gone.c_str()));

    // Left alone, the seam holds the shell call itself (never made here).
    EXPECT_NE(zv::ShellApi().ShellExecuteEx, nullptr);

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* entry = AddEntry(f, live.Category(0), "Helper [启用]", [&](TNodeData& r) {
        r.Clsid = kClsid;
        r.FileName = dll;
        r.CanDisable = 1;
        r.Deletable = 1;
    });
    TTreeNode* fileLine = f.m_tree.Add(entry, dll);
    TTreeNode* goneLine = f.m_tree.Add(entry, gone);
    TTreeNode* dirLine = f.m_tree.Add(entry, dir.Path());
    entry->Expand();

    auto doubleClick = [&](TTreeNode* node) {
        live.Select(node);
        RECT r{};
        // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
        const HTREEITEM item = node->ItemId();
        memcpy(&r, &item, sizeof(item));
        ASSERT_TRUE(SendMessageA(f.m_tree.Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        // Only the second click's message: a first button-down would start the tree view's
        // drag tracking, which waits for a real mouse.
        SendMessageA(f.m_tree.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        zvtest::PumpMessages();
        ASSERT_EQ(f.m_tree.Selected(), node);
    };

    for (TTreeNode* nothing : {entry, goneLine, dirLine, live.Category(0)}) doubleClick(nothing);
    EXPECT_TRUE(actionstest::ShellRequests().empty());

    doubleClick(fileLine);
    ASSERT_EQ(actionstest::ShellRequests().size(), 1u);
    const actionstest::TShellRequest& sent = actionstest::ShellRequests()[0];
    // The size of the structure this build passes; 60 is the 32-bit layout's.
    EXPECT_EQ(sent.cbSize, sizeof(SHELLEXECUTEINFOA));
    EXPECT_EQ(sent.fMask, 0x4Cu);
    EXPECT_EQ(sent.hwnd, nullptr);
    EXPECT_EQ(sent.verb, "properties");
    EXPECT_EQ(sent.file, dll);
    EXPECT_FALSE(sent.hasParameters);
    EXPECT_FALSE(sent.hasDirectory);
    EXPECT_EQ(sent.nShow, SW_SHOW);
    // Nothing is reported, though the shell gave no sheet.
    EXPECT_TRUE(live.rec().boxes.empty());

    // A double click below the last row hits no item, and acts on the row selected before it.
    live.Select(fileLine);
    RECT client{};
    GetClientRect(f.m_tree.Handle(), &client);
    TVHITTESTINFO hit{};
    hit.pt = POINT{10, client.bottom - 3};
    ASSERT_EQ(SendMessageA(f.m_tree.Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 0);
    SendMessageA(f.m_tree.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    zvtest::PumpMessages();
    ASSERT_EQ(actionstest::ShellRequests().size(), 2u);
    EXPECT_EQ(actionstest::ShellRequests()[1].file, dll);

    live.Select(nullptr);
    f.m_treeDblClick(&f.m_tree);
    EXPECT_EQ(actionstest::ShellRequests().size(), 2u);
}

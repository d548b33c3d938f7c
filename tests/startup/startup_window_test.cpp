// The startup list in its real window under Xvfb: columns that fit the window and follow a
// drag of the header, groups that never close, and rows drawn as the design says, read back
// pixel by pixel from an off-screen rendering of the tree view.
#include "platform/cmdline.h"
#include "plugins/node_data.h"
#include "startup_fixtures.h"

namespace {

using zv::TTreeNode;
using zvtest::FindItem;
using zvtest::ItemRect;
using zvtest::TShellExecuteRecorder;
using zvtest::TStartupFoldersFixture;
using zvtest::TStartupPlaces;

// The main window, shown with its startup page in front.
struct TShownForm {
    TShownForm()
    {
        f.CreateForm(true);
        ShowWindow(f.Handle(), SW_SHOWNOACTIVATE);
        f.QkTabs1TabActive(nullptr, 1);
        zvtest::PumpMessages();
    }
    zv::Tfm_main f;
};

int HeaderWidth(HWND header, int section)
{
    HDITEMA item{};
    item.mask = HDI_WIDTH;
    SendMessageA(header, HDM_GETITEMA, section, reinterpret_cast<LPARAM>(&item));
    return item.cxy;
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

bool ShownOpen(HWND tree, const TTreeNode* node)
{
    const auto state = SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node->ItemId()), TVIS_EXPANDED);
    return (state & TVIS_EXPANDED) && node->Expanded();
}

TEST(StartupWindow, ColumnsFitTheWindowAndFollowTheFirstSection)
{
    TShownForm shown;
    zv::Tfm_main& f = shown.f;
    zv::THeaderControl& head = f.head_start;
    const HWND header = head.Handle();
    ASSERT_NE(header, nullptr);

    EXPECT_EQ(head.Section(0).Width, 200);
    EXPECT_EQ(head.Section(1).Width, head.Width() - 200 - 25);
    EXPECT_EQ(HeaderWidth(header, 1), head.Section(1).Width);

    RECT window;
    GetWindowRect(f.Handle(), &window);
    const int second = head.Section(1).Width;
    SetWindowPos(f.Handle(), nullptr, 0, 0, window.right - window.left + 100, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    zvtest::PumpMessages();
    EXPECT_EQ(head.Section(0).Width, 200);
    EXPECT_EQ(head.Section(1).Width, second + 100);
    EXPECT_EQ(HeaderWidth(header, 1), second + 100);

    // Dragging the first divider 30 pixels right: the second column gives them up while the drag
    // goes on, not only when the button is released.
    const int y = head.Height() / 2;
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, Point(199, y));
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, Point(214, y));
    EXPECT_EQ(head.Section(0).Width, 215);
    EXPECT_EQ(head.Section(1).Width, second + 100 - 15);
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, Point(229, y));
    SendMessageA(header, WM_LBUTTONUP, 0, Point(229, y));
    zvtest::PumpMessages();
    EXPECT_EQ(head.Section(0).Width, 230);
    EXPECT_EQ(HeaderWidth(header, 0), 230);
    EXPECT_EQ(head.Section(1).Width, second + 100 - 30);
    EXPECT_EQ(HeaderWidth(header, 1), second + 100 - 30);

    // The first section stops at 50 pixels however far it is dragged.
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, Point(229, y));
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, Point(20, y));
    SendMessageA(header, WM_LBUTTONUP, 0, Point(20, y));
    zvtest::PumpMessages();
    EXPECT_EQ(head.Section(0).Width, 50);
    EXPECT_EQ(HeaderWidth(header, 0), 50);
    EXPECT_EQ(head.Section(1).Width, head.Width() - 50 - 25);

    // Dragging the second divider changes the second section only.
    const int secondRight = head.Section(1).Right();
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, Point(secondRight - 1, y));
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, Point(secondRight - 41, y));
    SendMessageA(header, WM_LBUTTONUP, 0, Point(secondRight - 41, y));
    zvtest::PumpMessages();
    EXPECT_EQ(head.Section(0).Width, 50);
    EXPECT_EQ(head.Section(1).Right(), secondRight - 40);
    EXPECT_EQ(HeaderWidth(header, 1), head.Section(1).Width);
}

TEST(StartupWindow, GroupsNeverCollapse)
{
    TStartupPlaces places;
    places.userRun.SetText("ZvOne", "notepad.exe");
    TStartupFoldersFixture::File(places.folders.currentUser, "tool.exe");
    TShownForm shown;
    zv::Tfm_main& f = shown.f;
    TShellExecuteRecorder shell;
    const HWND tree = f.tree_start.Handle();
    ASSERT_EQ(f.tree_start.TopCount(), 2u);

    for (size_t g = 0; g < f.tree_start.TopCount(); ++g) {
        TTreeNode* group = f.tree_start.TopItem(g);
        ASSERT_TRUE(ShownOpen(tree, group));
        const RECT label = ItemRect(tree, group, true);
        const LPARAM at = Point((label.left + label.right) / 2, (label.top + label.bottom) / 2);
        // The tree view watches for a drag after a button goes down until it sees the button
        // come up: the release is queued first so that it finds it at once.
        for (UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
            PostMessageA(tree, WM_LBUTTONUP, 0, at);
            SendMessageA(tree, press, MK_LBUTTON, at);
            zvtest::PumpMessages();
        }
        EXPECT_TRUE(ShownOpen(tree, group)) << "double click on group " << g;
        f.tree_start.Select(group);
        for (WPARAM key : {VK_LEFT, VK_SUBTRACT}) {
            SendMessageA(tree, WM_KEYDOWN, key, 0);
            SendMessageA(tree, WM_KEYUP, key, 0);
            zvtest::PumpMessages();
            EXPECT_TRUE(ShownOpen(tree, group)) << "key " << key << " on group " << g;
        }
        // Every item stays visible.
        const RECT item = ItemRect(tree, group->Item(0), false);
        EXPECT_GT(item.bottom, item.top);
    }
    EXPECT_TRUE(TShellExecuteRecorder::calls.empty()) << "a group has no file to show";

    // The same double click below the last row, with an item selected, shows its file: the
    // recorder would have seen a group's, had there been one.
    TTreeNode* item = FindItem(f.tree_start, "ZvOne");
    ASSERT_NE(item, nullptr);
    f.tree_start.Select(item);
    RECT client{};
    GetClientRect(tree, &client);
    const LPARAM below = Point(10, client.bottom - 3);
    PostMessageA(tree, WM_LBUTTONUP, 0, below);
    SendMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, below);
    zvtest::PumpMessages();
    ASSERT_EQ(TShellExecuteRecorder::calls.size(), 1u);
    EXPECT_EQ(TShellExecuteRecorder::calls[0].file, zv::ExtractCommandFile("notepad.exe"));
    EXPECT_EQ(f.tree_start.Selected(), item);
}

TEST(StartupWindow, DeletedRowGoesAndTheButtonFollowsTheTreesNewSelection)
{
    TStartupPlaces places;
    places.userRun.SetText("ZvFirst", "notepad.exe");
    places.userRun.SetText("ZvSecond", "notepad.exe");
    TShownForm shown;
    zv::Tfm_main& f = shown.f;
    zvtest::TMessageRecorder rec(f);
    const HWND button = f.bt_delstart.Handle();
    EXPECT_FALSE(IsWindowEnabled(button));

    f.tree_start.Select(FindItem(f.tree_start, "ZvFirst"));
    EXPECT_TRUE(IsWindowEnabled(button));
    f.bt_delstart.Click();
    zvtest::PumpMessages();
    EXPECT_EQ(FindItem(f.tree_start, "ZvFirst"), nullptr);
    EXPECT_FALSE(zvtest::ValueExists(HKEY_CURRENT_USER, zvtest::kRunKey, "ZvFirst"));
    // Whichever neighbour the tree view picks, the button shows the rule for it.
    const TTreeNode* now = f.tree_start.Selected();
    ASSERT_NE(now, nullptr);
    HTREEITEM shownSelection =
        reinterpret_cast<HTREEITEM>(SendMessageA(f.tree_start.Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    EXPECT_EQ(shownSelection, now->ItemId());
    EXPECT_EQ(IsWindowEnabled(button) != FALSE, now->Level() == 1);
}

}  // namespace

// The main window as its logic sees it (no window) and as a user sees it (the real window
// under Xvfb): layout, menus, the plug-in tree's skeleton, pages, hints, records.
#include "plugins/node_data.h"
#include "ui/application.h"
#include "zvtest.h"

using zv::TTreeNode;

namespace {

const std::vector<std::string> kSkeleton = {
    "InternetExplorer",
    "浏览器帮助程序对象(Browser Helper Object)",
    "工具栏(Toolbar)",
    "浏览器栏(Explorerbar)",
    "菜单/按钮(Extensions)",
    "浏览器右键菜单(MenuExt)",
    "ActiveX 控件",
    "URL 搜索钩子",
    "Explorer",
    "执行钩子(ShellExecuteHooks)",
};
const std::vector<int> kSkeletonPictures = {0, 2, 2, 2, 2, 2, 2, 2, 1, 2};

std::string WindowText(HWND h)
{
    char text[512] = {};
    GetWindowTextA(h, text, sizeof(text));
    return text;
}

// The plug-in tree's nodes with their pictures, in absolute order.
std::vector<std::string> SkeletonOf(zv::Tfm_main& f)
{
    std::vector<std::string> texts;
    for (TTreeNode* n : f.m_tree.Nodes()) {
        if (n->Level() <= 1) texts.push_back(n->Text());
    }
    return texts;
}

// Entries with records, as a scanner would add them, to check the disposal of records.
void AddEntries(zv::Tfm_main& f, int count)
{
    TTreeNode* category = f.m_tree.TopItem(0)->Item(0);
    for (int i = 0; i < count; ++i) {
        TTreeNode* e = f.m_tree.Add(category, "entry" + std::to_string(i));
        f.m_tree.Add(e, "detail");
        e->Data = new zv::TNodeData;
    }
    TTreeNode* group = f.tree_start.Add(nullptr, "..");
    group->Data = new zv::TNodeData;
    f.tree_start.Add(group, "..")->Data = new zv::TNodeData;
}

POINT CentreOf(HWND h)
{
    RECT r;
    GetWindowRect(h, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

TEST(MainWindowLogic, DesignLayoutOfEveryControl)
{
    zv::Tfm_main f;
    EXPECT_EQ(f.Caption(), "Zorvane");
    EXPECT_EQ(f.Width(), 554);
    EXPECT_EQ(f.Height(), 414);
    EXPECT_EQ(f.QkTabs1.tabs(), (std::vector<std::string>{"插件清除", "启动项目"}));
    EXPECT_EQ(f.QkTabs1.tabindex(), 0);
    struct TExpect {
        zv::TControl& control;
        RECT bounds;
        const char* hint;
    };
    for (const TExpect& e : {
             TExpect{f.QkTabs1, {0, 0, 546, 22}, ""},
             TExpect{f.m_status, {0, 349, 546, 368}, "状态条，显示各操作和显示说明"},
             TExpect{f.panel_chajian, {0, 22, 546, 349}, ""},
             TExpect{f.panel_start, {0, 22, 546, 349}, ""},
             TExpect{f.m_tree, {2, 2, 439, 325}, "插件列表"},
             TExpect{f.Panel1, {439, 2, 544, 325}, "操作列表"},
             TExpect{f.bt_delete, {16, 16, 91, 38}, "仅删除这个配置，但不清除AcitveX注册，也不删除文件"},
             TExpect{f.bt_onoff, {16, 40, 91, 62}, "禁止或允许浏览器使用这个ActiveX控件"},
             TExpect{f.bt_delactivex, {16, 72, 91, 94}, "删除ActiveX控件的注册，但不删除文件"},
             TExpect{f.bt_delfile, {16, 96, 91, 118}, "删除这个文件"},
             TExpect{f.Panel2, {439, 2, 544, 325}, "操作列表"},
             TExpect{f.bt_delstart, {16, 16, 91, 38}, "删除此启动项目，不删除文件"},
             TExpect{f.head_start, {0, 0, 437, 17}, ""},
             TExpect{f.tree_start, {0, 17, 437, 323}, "启动项目列表，双击可查看文件属性"},
         }) {
        RECT b = e.control.BoundsRect();
        EXPECT_EQ(b.left, e.bounds.left) << e.hint;
        EXPECT_EQ(b.top, e.bounds.top) << e.hint;
        EXPECT_EQ(b.right, e.bounds.right) << e.hint;
        EXPECT_EQ(b.bottom, e.bounds.bottom) << e.hint;
        EXPECT_EQ(e.control.Hint(), e.hint);
    }
    EXPECT_EQ(f.bt_delete.Caption(), "删除");
    EXPECT_EQ(f.bt_onoff.Caption(), "禁用");
    EXPECT_EQ(f.bt_delactivex.Caption(), "注销ActiveX");
    EXPECT_EQ(f.bt_delfile.Caption(), "删除文件");
    EXPECT_EQ(f.bt_delstart.Caption(), "删除");
    for (zv::TButton* b : {&f.bt_delete, &f.bt_onoff, &f.bt_delactivex, &f.bt_delfile}) EXPECT_TRUE(b->Enabled());
    EXPECT_FALSE(f.bt_delstart.Enabled());
    EXPECT_EQ(f.head_start.SectionCount(), 2u);
    EXPECT_EQ(f.head_start.Section(0).Text, "项目");
    EXPECT_EQ(f.head_start.Section(0).MinWidth, 50);
    EXPECT_EQ(f.head_start.Section(1).Text, "命令行");
    EXPECT_EQ(f.m_icos.Count(), 7);
    EXPECT_EQ(f.m_icos.Width(), 20);
    EXPECT_EQ(f.img_start.Count(), 2);
    EXPECT_EQ(f.img_start.Width(), 16);
    // The menu bar: captions and hints, no item without its handler.
    ASSERT_EQ(f.Menu.size(), 3u);
    EXPECT_EQ(f.F1.Caption, "文件(&F)");
    EXPECT_EQ(f.N1.Caption, "工具(&T)");
    EXPECT_EQ(f.H1.Caption, "帮助(&H)");
    EXPECT_EQ(f.mu_refresh.Hint, "重新扫描浏览器插件");
    EXPECT_EQ(f.mu_exit.Hint, "退出程序");
    EXPECT_EQ(f.mu_resetstartpage.Caption, "恢复浏览器主页地址");
    EXPECT_EQ(f.mu_resetstartpage.Hint, "修复被篡改的主页地址，并自动解除不能修改主页地址的锁定");
    EXPECT_EQ(f.mu_help.Hint, "");
    EXPECT_EQ(f.mu_about.Hint, "关于软件");
    for (zv::TMenuItem* item : {&f.mu_refresh, &f.mu_exit, &f.mu_resetstartpage, &f.mu_help, &f.mu_about}) {
        EXPECT_TRUE(item->OnClick != nullptr) << item->Caption;
    }
}

TEST(MainWindowLogic, ScanPluginsBuildsTheSkeletonAndFreesEveryRecord)
{
    const long before = zv::TNodeData::LiveCount();
    {
        zv::Tfm_main f;
        f.CreateForm(false);
        const std::vector<std::string> first = SkeletonOf(f);
        // Whatever the machine's add-ons, the roots and categories come in the skeleton's order.
        ASSERT_EQ(f.m_tree.TopCount(), 2u);
        TTreeNode* browser = f.m_tree.TopItem(0);
        TTreeNode* shell = f.m_tree.TopItem(1);
        std::vector<TTreeNode*> skeleton{browser};
        for (size_t i = 0; i < browser->Count(); ++i) skeleton.push_back(browser->Item(i));
        skeleton.push_back(shell);
        for (size_t i = 0; i < shell->Count(); ++i) skeleton.push_back(shell->Item(i));
        ASSERT_EQ(skeleton.size(), kSkeleton.size());
        for (size_t i = 0; i < skeleton.size(); ++i) {
            EXPECT_EQ(skeleton[i]->Text(), kSkeleton[i]);
            EXPECT_EQ(skeleton[i]->ImageIndex(), kSkeletonPictures[i]);
            EXPECT_EQ(skeleton[i]->SelectedIndex(), kSkeletonPictures[i]);
            EXPECT_EQ(skeleton[i]->Data, nullptr) << "roots and categories hold no record";
            EXPECT_EQ(skeleton[i]->Expanded(), i == 0) << skeleton[i]->Text();
        }
        EXPECT_TRUE(f.panel_chajian.Visible());
        EXPECT_FALSE(f.panel_start.Visible());

        AddEntries(f, 5);
        EXPECT_EQ(zv::TNodeData::LiveCount(), before + 7);
        f.mu_refreshClick(nullptr);
        EXPECT_EQ(SkeletonOf(f), first) << "two rebuilds in a row give the same tree";
        EXPECT_EQ(zv::TNodeData::LiveCount(), before) << "the rebuilds disposed every record";

        AddEntries(f, 3);
        f.FormDestroy(&f);
        EXPECT_EQ(zv::TNodeData::LiveCount(), before);
        for (TTreeNode* n : f.m_tree.Nodes()) EXPECT_EQ(n->Data, nullptr);
        f.FormDestroy(&f);  // a second time finds nothing to dispose
        EXPECT_EQ(zv::TNodeData::LiveCount(), before);
    }
}

TEST(MainWindowLogic, PagesSwitchOnlyForTheTwoTabs)
{
    zv::Tfm_main f;
    f.CreateForm(false);
    f.QkTabs1TabActive(nullptr, 1);
    EXPECT_TRUE(f.panel_start.Visible());
    EXPECT_TRUE(f.panel_start.IsInFront());
    EXPECT_FALSE(f.panel_chajian.Visible());
    for (int other : {2, -1, 100}) {
        f.QkTabs1TabActive(nullptr, other);
        EXPECT_TRUE(f.panel_start.Visible());
        EXPECT_FALSE(f.panel_chajian.Visible());
    }
    f.mu_refreshClick(nullptr);
    EXPECT_TRUE(f.panel_start.Visible()) << "refresh keeps the page in front";
    f.QkTabs1TabActive(nullptr, 0);
    EXPECT_TRUE(f.panel_chajian.Visible());
    EXPECT_TRUE(f.panel_chajian.IsInFront());
    EXPECT_FALSE(f.panel_start.Visible());
}

// The item of the window's real menu bar at that popup and position, as a user picks it.
UINT MenuCommand(HWND window, int popup, int item)
{
    return GetMenuItemID(GetSubMenu(GetMenu(window), popup), item);
}

TEST(MainWindowRun, ExitFromTheMenuEndsTheMessageLoop)
{
    zv::Tfm_main f;
    zv::Application.MainForm = &f;
    f.CreateForm(true);
    ASSERT_TRUE(f.HandleAllocated());
    PostMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(MenuCommand(f.Handle(), 0, 2), 0), 0);
    // Should the command not end the loop, this does, with a code that tells.
    static bool timedOut;
    timedOut = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
        timedOut = true;
        PostQuitMessage(99);
    });
    const int code = zv::Application.Run(SW_SHOWNORMAL);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(IsWindowVisible(f.Handle())) << "the loop ended; the window goes when its owner ends";
    f.DestroyHandle();
    zv::Application.MainForm = nullptr;
}

// Whatever the launcher asks for, the window comes maximised, minimised without taking the
// activation, or normal; never hidden, never minimised with the activation.
TEST(MainWindowRun, FirstShownInTheStateTheLaunchersRequestMapsTo)
{
    for (int request = SW_HIDE; request <= SW_FORCEMINIMIZE; ++request) {
        SCOPED_TRACE(request);
        const int expected = request == SW_SHOWMAXIMIZED     ? SW_SHOWMAXIMIZED
                             : request == SW_SHOWMINNOACTIVE ? SW_SHOWMINNOACTIVE
                                                             : SW_SHOWNORMAL;
        EXPECT_EQ(zv::MainWindowShowCommand(request), expected);

        zv::Tfm_main f;
        zv::Application.MainForm = &f;
        f.CreateForm(true);
        zv::Application.ShowMainForm(request);
        zvtest::PumpMessages();
        EXPECT_TRUE(IsWindowVisible(f.Handle()));
        EXPECT_EQ(IsZoomed(f.Handle()) != FALSE, expected == SW_SHOWMAXIMIZED);
        EXPECT_EQ(IsIconic(f.Handle()) != FALSE, expected == SW_SHOWMINNOACTIVE);
        f.DestroyHandle();
        zv::Application.MainForm = nullptr;
    }
}

class MainWindowGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        zv::Application.MainForm = &f;
        f.CreateForm(true);
        ASSERT_TRUE(f.HandleAllocated());
        ShowWindow(f.Handle(), SW_SHOW);
        zvtest::PumpMessages();
    }
    void TearDown() override { zv::Application.MainForm = nullptr; }
    zv::Tfm_main f;
};

TEST_F(MainWindowGui, ShowsCaptionSizeFontAndMenusAsDesigned)
{
    EXPECT_EQ(WindowText(f.Handle()), "Zorvane");
    RECT r;
    GetWindowRect(f.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 554);
    EXPECT_EQ(r.bottom - r.top, 414);
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((r.left + r.right) / 2, cx / 2, 1) << "centred on the desktop";
    EXPECT_NEAR((r.top + r.bottom) / 2, cy / 2, 1);

    for (zv::TControl* c : std::initializer_list<zv::TControl*>{&f.bt_delete, &f.m_tree, &f.tree_start, &f.m_status}) {
        auto font = reinterpret_cast<HFONT>(SendMessageA(c->Handle(), WM_GETFONT, 0, 0));
        LOGFONTA lf{};
        ASSERT_TRUE(GetObjectA(font, sizeof(lf), &lf));
        EXPECT_STREQ(lf.lfFaceName, "宋体");
        EXPECT_EQ(lf.lfHeight, -12);
        EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
    }
    EXPECT_EQ(WindowText(f.bt_delactivex.Handle()), "注销ActiveX");
    EXPECT_FALSE(IsWindowEnabled(f.bt_delstart.Handle()));

    HMENU bar = GetMenu(f.Handle());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    char text[128];
    GetMenuStringA(bar, 0, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "文件(&F)");
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    GetMenuStringA(file, 0, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "刷新(&R)");
    EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    GetMenuStringA(file, 2, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "退出(&X)");
    GetMenuStringA(GetSubMenu(bar, 1), 0, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "恢复浏览器主页地址");
    HMENU help = GetSubMenu(bar, 2);
    GetMenuStringA(help, 0, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "帮助(&H)");
    GetMenuStringA(help, 1, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "关于(&A)");

    // Keyboard order of the button column differs from its visual order.
    HWND b = f.bt_delete.Handle();
    std::vector<HWND> order{b};
    for (int i = 0; i < 3; ++i) order.push_back(b = GetNextDlgTabItem(f.Panel1.Handle(), b, FALSE));
    EXPECT_EQ(order, (std::vector<HWND>{f.bt_delete.Handle(), f.bt_onoff.Handle(), f.bt_delfile.Handle(),
                                        f.bt_delactivex.Handle()}));
}

TEST_F(MainWindowGui, TreeViewShowsTheSkeletonWithPicturesAndOnlyTheBrowserRootOpen)
{
    HWND tree = f.m_tree.Handle();
    auto root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(zvtest::TreeItemText(tree, root), "InternetExplorer");
    EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(root), TVIS_EXPANDED) & TVIS_EXPANDED);
    std::vector<std::string> categories;
    for (auto c = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root)));
         c; c = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(c)))) {
        categories.push_back(zvtest::TreeItemText(tree, c));
        EXPECT_FALSE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(c), TVIS_EXPANDED) & TVIS_EXPANDED);
        TVITEMA item{};
        item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        item.hItem = c;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.iImage, 2);
        EXPECT_EQ(item.iSelectedImage, 2);
    }
    EXPECT_EQ(categories, std::vector<std::string>(kSkeleton.begin() + 1, kSkeleton.begin() + 8));
    auto shell = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root)));
    EXPECT_EQ(zvtest::TreeItemText(tree, shell), "Explorer");
    EXPECT_FALSE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(shell), TVIS_EXPANDED) & TVIS_EXPANDED);
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    EXPECT_EQ(ImageList_GetImageCount(images), 7);
    int w = 0, h = 0;
    ImageList_GetIconSize(images, &w, &h);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 20);
    EXPECT_EQ(SendMessageA(tree, TVM_GETINDENT, 0, 0), 23);
    EXPECT_EQ(static_cast<size_t>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)), f.m_tree.Count());

    // A refresh gives the window the same tree again.
    f.mu_refreshClick(nullptr);
    EXPECT_EQ(static_cast<size_t>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)), f.m_tree.Count());
    root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(root), TVIS_EXPANDED) & TVIS_EXPANDED);
}

TEST_F(MainWindowGui, PagesAndHintsFollowWhatIsUnderThePointer)
{
    EXPECT_TRUE(IsWindowVisible(f.panel_chajian.Handle()));
    EXPECT_FALSE(IsWindowVisible(f.panel_start.Handle()));
    EXPECT_EQ(f.HintAt(CentreOf(f.m_tree.Handle())), "插件列表");
    EXPECT_EQ(f.HintAt(CentreOf(f.bt_onoff.Handle())), "禁止或允许浏览器使用这个ActiveX控件");
    RECT panel;
    GetWindowRect(f.Panel1.Handle(), &panel);
    EXPECT_EQ(f.HintAt(POINT{(panel.left + panel.right) / 2, panel.bottom - 20}), "操作列表") << "a free spot";
    EXPECT_EQ(f.HintAt(CentreOf(f.QkTabs1.Handle())), "") << "the strip and its window have no hint";
    EXPECT_EQ(f.HintAt(CentreOf(f.m_status.Handle())), "状态条，显示各操作和显示说明");

    // Disabled buttons do not take the pointer, yet their hint shows.
    f.bt_delete.SetEnabled(false);
    EXPECT_EQ(f.HintAt(CentreOf(f.bt_delete.Handle())), "仅删除这个配置，但不清除AcitveX注册，也不删除文件");

    f.QkTabs1TabActive(nullptr, 1);
    zvtest::PumpMessages();
    EXPECT_TRUE(IsWindowVisible(f.panel_start.Handle()));
    EXPECT_FALSE(IsWindowVisible(f.panel_chajian.Handle()));
    EXPECT_EQ(f.HintAt(CentreOf(f.head_start.Handle())), "");
    EXPECT_EQ(f.HintAt(CentreOf(f.tree_start.Handle())), "启动项目列表，双击可查看文件属性");
    GetWindowRect(f.Panel2.Handle(), &panel);
    EXPECT_EQ(f.HintAt(POINT{(panel.left + panel.right) / 2, panel.bottom - 20}), "操作列表");

    // The idle loop puts the hint under the pointer into the status bar.
    SetCursorPos(CentreOf(f.tree_start.Handle()).x, CentreOf(f.tree_start.Handle()).y);
    zv::Application.Idle();
    char text[256] = {};
    SendMessageA(f.m_status.Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "启动项目列表，双击可查看文件属性");

    // While a menu is open the highlighted item's hint shows; "帮助(&H)" has none.
    HMENU bar = GetMenu(f.Handle());
    SendMessageA(f.Handle(), WM_MENUSELECT, MAKEWPARAM(f.mu_resetstartpage.Command, MF_HILITE),
                 reinterpret_cast<LPARAM>(GetSubMenu(bar, 1)));
    SendMessageA(f.m_status.Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "修复被篡改的主页地址，并自动解除不能修改主页地址的锁定");
    SendMessageA(f.Handle(), WM_MENUSELECT, MAKEWPARAM(f.mu_help.Command, MF_HILITE),
                 reinterpret_cast<LPARAM>(GetSubMenu(bar, 2)));
    SendMessageA(f.m_status.Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "");
}

TEST_F(MainWindowGui, ClosingTheWindowDisposesEveryRecord)
{
    const long before = zv::TNodeData::LiveCount();
    AddEntries(f, 4);
    EXPECT_GT(zv::TNodeData::LiveCount(), before);
    SendMessageA(f.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(f.HandleAllocated());
    EXPECT_EQ(zv::TNodeData::LiveCount(), before);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

TEST_F(MainWindowGui, MenuCommandsReachTheirHandlers)
{
    zvtest::TMessageRecorder rec(f);
    f.QkTabs1TabActive(nullptr, 1);
    // Found only by a new scan: the refresh must have rebuilt the list.
    struct TRunValue {
        HKEY key = nullptr;
        TRunValue()
        {
            RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
            RegSetValueExA(key, "ZvMenuRefresh", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        }
        ~TRunValue()
        {
            RegDeleteValueA(key, "ZvMenuRefresh");
            RegCloseKey(key);
        }
    } added;
    auto listed = [this] {
        for (zv::TTreeNode* n : f.tree_start.Nodes()) {
            if (n->Data && n->Data->ItemName == "ZvMenuRefresh") return true;
        }
        return false;
    };
    ASSERT_FALSE(listed());

    SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(MenuCommand(f.Handle(), 0, 0), 0), 0);
    EXPECT_TRUE(listed());
    EXPECT_TRUE(IsWindowVisible(f.panel_start.Handle())) << "refresh leaves the page in front";
    EXPECT_EQ(f.m_tree.TopCount(), 2u);

    rec.Answer(IDCANCEL);
    SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(MenuCommand(f.Handle(), 1, 0), 0), 0);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "你确定要恢复浏览器主页地址为“about:blank”吗？");
}

TEST(MainWindowStart, AnExceptionInFormCreateSkipsItsRemainingStepsAndTheWindowStillComes)
{
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string name = "ZorvaneTestNotText";
    struct TValue {
        std::string run, name;
        ~TValue()
        {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, run.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, name.c_str());
                RegCloseKey(key);
            }
        }
    } cleanup{run, name};
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, run.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD number = 1;
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(key);

    zv::Tfm_main f;
    zvtest::TMessageRecorder rec(f);
    zv::Application.MainForm = &f;
    f.CreateForm(true);
    EXPECT_TRUE(f.HandleAllocated());
    EXPECT_EQ(rec.errors, std::vector<std::string>{"Invalid data type for '" + name + "'"});
    EXPECT_EQ(f.m_tree.Count(), 0u) << "the plug-in scan after the startup scan did not run";

    RegOpenKeyExA(HKEY_CURRENT_USER, run.c_str(), 0, KEY_ALL_ACCESS, &key);
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    f.mu_refreshClick(nullptr);
    EXPECT_EQ(f.m_tree.TopCount(), 2u) << "a refresh once the cause is gone builds the tree";
    EXPECT_EQ(rec.errors.size(), 1u);
    zv::Application.MainForm = nullptr;
}

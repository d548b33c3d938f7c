#include "ui/w_main.h"

#include "plugins/node_data.h"
#include "ui/application.h"
#include "../../res/resource.h"

namespace zv {

namespace {

constexpr int kPluginPictures = 7;
constexpr int kStartPictures = 2;

}  // namespace

Tfm_main::Tfm_main()
{
    LayOut();
    WireEvents();
    LoadPictures();
}

Tfm_main::~Tfm_main()
{
    // The window goes first, while the handlers it runs on destruction can still run.
    DestroyHandle();
}

void Tfm_main::LayOut()
{
    SetCaption("Zorvane");
    SetFont("宋体", 12, GB2312_CHARSET);
    DesignClient = SIZE{546, 368};
    SetBounds(0, 0, 554, 414);
    HintBar = &m_status;

    QkTabs1.Align = TAlign::Top;
    QkTabs1.SetBounds(0, 0, 546, 22);
    // Loaded as stored: the captions go straight into the list, so no event is raised.
    QkTabs1.tabs() = {"插件清除", "启动项目"};

    m_status.Align = TAlign::Bottom;
    m_status.SetBounds(0, 349, 546, 19);
    m_status.PanelWidth = 200;
    m_status.SetHint("状态条，显示各操作和显示说明");

    panel_chajian.Align = TAlign::Client;
    panel_chajian.TabOrder = 2;
    panel_start.Align = TAlign::Client;
    panel_start.TabOrder = 3;

    m_tree.Align = TAlign::Client;
    m_tree.SetHint("插件列表");
    m_tree.RowSelect = true;
    m_tree.Indent = 23;
    m_tree.Images = &m_icos;
    m_tree.SortByText = true;

    Panel1.Align = TAlign::Right;
    Panel1.SetBounds(0, 0, 105, 323);
    Panel1.SetHint("操作列表");
    Panel1.TabOrder = 1;
    struct TButtonLayout {
        TButton& button;
        int top;
        const char* caption;
        const char* hint;
        int tabOrder;
    };
    for (const TButtonLayout& b : {
             TButtonLayout{bt_delete, 16, "删除", "仅删除这个配置，但不清除AcitveX注册，也不删除文件", 0},
             TButtonLayout{bt_onoff, 40, "禁用", "禁止或允许浏览器使用这个ActiveX控件", 1},
             TButtonLayout{bt_delactivex, 72, "注销ActiveX", "删除ActiveX控件的注册，但不删除文件", 3},
             TButtonLayout{bt_delfile, 96, "删除文件", "删除这个文件", 2},
         }) {
        b.button.SetBounds(16, b.top, 75, 22);
        b.button.SetCaption(b.caption);
        b.button.SetHint(b.hint);
        b.button.TabOrder = b.tabOrder;
    }

    Panel2.Align = TAlign::Right;
    Panel2.SetBounds(0, 0, 105, 323);
    Panel2.SetHint("操作列表");
    Panel2.TabOrder = 1;
    bt_delstart.SetBounds(16, 16, 75, 22);
    bt_delstart.SetCaption("删除");
    bt_delstart.SetHint("删除此启动项目，不删除文件");
    bt_delstart.SetEnabled(false);

    Panel4.Align = TAlign::Client;
    head_start.Align = TAlign::Top;
    head_start.SetBounds(0, 0, 437, 17);
    head_start.AddSection("项目", 200, 50);
    head_start.AddSection("命令行", 250, 0);
    tree_start.Align = TAlign::Client;
    tree_start.TabOrder = 1;
    tree_start.SetHint("启动项目列表，双击可查看文件属性");
    tree_start.ShowButtons = false;
    tree_start.ShowLines = false;
    tree_start.ShowRoot = false;
    tree_start.RowSelect = true;
    tree_start.Indent = 19;
    tree_start.Images = &img_start;

    F1.Items = {&mu_refresh, &N2, &mu_exit};
    N1.Items = {&mu_resetstartpage};
    H1.Items = {&mu_help, &mu_about};
    Menu = {&F1, &N1, &H1};

    Realign();
}

void Tfm_main::WireEvents()
{
    QkTabs1.OnTabActive = [this](TObject* sender, int index) { QkTabs1TabActive(sender, index); };
    m_tree.OnChange = [this](TTreeNode* node) { m_treeChange(&m_tree, node); };
    m_tree.OnDblClick = [this] { m_treeDblClick(&m_tree); };
    bt_delete.OnClick = [this] { bt_deleteClick(&bt_delete); };
    bt_onoff.OnClick = [this] { bt_onoffClick(&bt_onoff); };
    bt_delactivex.OnClick = [this] { bt_delactivexClick(&bt_delactivex); };
    bt_delfile.OnClick = [this] { bt_delfileClick(&bt_delfile); };
    bt_delstart.OnClick = [this] { bt_delstartClick(&bt_delstart); };
    head_start.OnSectionResize = [this](THeaderSection& s) { head_startSectionResize(&head_start, s); };
    tree_start.OnChange = [this](TTreeNode* node) { tree_startChange(&tree_start, node); };
    tree_start.OnDblClick = [this] { tree_startDblClick(&tree_start); };
    tree_start.OnCollapsing = [this](TTreeNode* node, bool& allow) { tree_startCollapsing(&tree_start, node, allow); };
    tree_start.OnCollapsed = [this](TTreeNode* node) { tree_startCollapsed(&tree_start, node); };
    tree_start.OnCustomDrawItem = [this](TTreeNode* node, NMTVCUSTOMDRAW& draw, bool& defaultDraw) {
        bool paintImages = true;
        tree_startAdvancedCustomDrawItem(&tree_start, node, draw, paintImages, defaultDraw);
    };
    mu_refresh.OnClick = [this] { mu_refreshClick(&mu_refresh); };
    mu_exit.OnClick = [this] { mu_exitClick(&mu_exit); };
    mu_resetstartpage.OnClick = [this] { mu_resetstartpageClick(&mu_resetstartpage); };
    mu_help.OnClick = [this] { mu_helpClick(&mu_help); };
    mu_about.OnClick = [this] { mu_aboutClick(&mu_about); };
    OnResize = [this] { FormResize(this); };
    OnDestroy = [this] { FormDestroy(this); };
}

void Tfm_main::LoadPictures()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto load = [instance](TImageList& list, int firstId, int count) {
        for (int i = 0; i < count; ++i) {
            TIcon icon(static_cast<HICON>(
                LoadImageA(instance, MAKEINTRESOURCEA(firstId + i), IMAGE_ICON, list.Width(), list.Height(), 0)));
            list.AddIcon(icon.get());
        }
    };
    load(m_icos, IDI_PLUGIN_FIRST, kPluginPictures);
    load(img_start, IDI_START_FIRST, kStartPictures);
}

void Tfm_main::CreateForm(bool withWindow)
{
    const int left = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
    SetBounds(left, top, Width(), Height());
    if (withWindow) CreateHandles();
    FireEvent([this] { FormCreate(this); });
}

int Tfm_main::ShowMessage(const std::string& text, UINT type)
{
    static const std::string caption = "提示";
    if (MessageBoxHook) return MessageBoxHook(Handle(), text, caption, type);
    return MessageBoxA(Handle(), text.c_str(), caption.c_str(), type);
}

void Tfm_main::FormCreate(TObject*)
{
    ScanStartupItems();
    ScanPlugins();
    QkTabs1TabActive(nullptr, 0);
    head_startSectionResize(&head_start, head_start.Section(0));
}

void Tfm_main::FormDestroy(TObject*)
{
    FreeTreeData(&m_tree);
    FreeTreeData(&tree_start);
}

void Tfm_main::FormResize(TObject*) { head_startSectionResize(&head_start, head_start.Section(0)); }

void Tfm_main::QkTabs1TabActive(TObject*, int TabIndex)
{
    TPanel* shown = nullptr;
    TPanel* hidden = nullptr;
    if (TabIndex == 0) {
        shown = &panel_chajian;
        hidden = &panel_start;
    } else if (TabIndex == 1) {
        shown = &panel_start;
        hidden = &panel_chajian;
    } else {
        return;
    }
    shown->SetVisible(true);
    shown->BringToFront();
    hidden->SetVisible(false);
}

void Tfm_main::mu_refreshClick(TObject*)
{
    ScanPlugins();
    ScanStartupItems();
}

void Tfm_main::mu_exitClick(TObject*) { Application.Terminate(); }

}  // namespace zv

// The plug-in tree: its skeleton, the rebuild, and the services every scanner shares.
#include "plugins/node_data.h"
#include "plugins/plugin_texts.h"
#include "plugins/scan_entries.h"
#include "ui/w_main.h"

namespace zv {

namespace {

// Nodes of the last rebuild's skeleton; each rebuild overwrites them.
struct TSkeleton {
    TTreeNode* browserRoot = nullptr;
    TTreeNode* helperObjects = nullptr;
    TTreeNode* toolbars = nullptr;
    TTreeNode* explorerBars = nullptr;
    TTreeNode* extensions = nullptr;
    TTreeNode* menuExt = nullptr;
    TTreeNode* activeX = nullptr;
    TTreeNode* urlSearchHooks = nullptr;
    TTreeNode* shellRoot = nullptr;
    TTreeNode* shellExecuteHooks = nullptr;
} g_skeleton;

const char kExtSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";

}  // namespace

void Tfm_main::SetNodeIcon(TTreeNode* Node, int Index)
{
    Node->SetImageIndex(Index);
    Node->SetSelectedIndex(Index);
}

void Tfm_main::ScanPlugins()
{
    // The window's tree is refilled from the nodes when the rebuild ends, also when a scanner
    // raises half-way: what was added so far is shown.
    struct TRebuild {
        TTreeView& tree;
        explicit TRebuild(TTreeView& t) : tree(t) { tree.BeginRebuild(); }
        ~TRebuild() { tree.EndRebuild(); }
    } rebuild(m_tree);
    for (const TPluginScanner& scanner : BuildPluginSkeleton()) (this->*scanner.Scan)(scanner.Category);
    g_skeleton.browserRoot->Expand();
}

std::vector<Tfm_main::TPluginScanner> Tfm_main::BuildPluginSkeleton()
{
    FreeTreeData(&m_tree);
    m_tree.Clear();

    auto add = [this](TTreeNode* parent, const char* text, int picture) {
        TTreeNode* node = m_tree.Add(parent, text);
        SetNodeIcon(node, picture);
        return node;
    };
    TSkeleton& s = g_skeleton;
    s.browserRoot = add(nullptr, "InternetExplorer", picBrowser);
    s.helperObjects = add(s.browserRoot, "浏览器帮助程序对象(Browser Helper Object)", picCategory);
    s.toolbars = add(s.browserRoot, "工具栏(Toolbar)", picCategory);
    s.explorerBars = add(s.browserRoot, "浏览器栏(Explorerbar)", picCategory);
    s.extensions = add(s.browserRoot, "菜单/按钮(Extensions)", picCategory);
    s.menuExt = add(s.browserRoot, "浏览器右键菜单(MenuExt)", picCategory);
    s.activeX = add(s.browserRoot, "ActiveX 控件", picCategory);
    s.urlSearchHooks = add(s.browserRoot, "URL 搜索钩子", picCategory);
    s.shellRoot = add(nullptr, "Explorer", picComputer);
    s.shellExecuteHooks = add(s.shellRoot, "执行钩子(ShellExecuteHooks)", picCategory);

    // ScanExtStats skips controls already listed, so it comes after ScanDownloadedControls.
    return {
        {s.extensions, &Tfm_main::ScanExtensions},
        {s.helperObjects, &Tfm_main::ScanBrowserHelperObjects},
        {s.toolbars, &Tfm_main::ScanToolbars},
        {s.explorerBars, &Tfm_main::ScanExplorerBars},
        {s.urlSearchHooks, &Tfm_main::ScanUrlSearchHooks},
        {s.menuExt, &Tfm_main::ScanMenuExt},
        {s.shellExecuteHooks, &Tfm_main::ScanShellExecuteHooks},
        {s.activeX, &Tfm_main::ScanDownloadedControls},
        {s.activeX, &Tfm_main::ScanExtStats},
    };
}

bool Tfm_main::IsExtensionDisabled(const std::string& Clsid)
{
    // An empty name would open the settings key itself, and one with a backslash a key of
    // another class: neither says anything about this one.
    if (!IsKeyName(Clsid)) return false;
    TRegistry reg;
    reg.AccessMask = KEY_READ;
    reg.SetRoot(HKEY_CURRENT_USER);
    // The key's mere existence marks the class disabled, whatever it holds.
    if (!reg.EnterKey(kExtSettingsKey + Clsid, false)) return false;
    reg.LeaveKey();
    return true;
}

void Tfm_main::FreeTreeData(TTreeView* TreeView)
{
    for (TTreeNode* node : TreeView->Nodes()) {
        if (node->Data) {
            delete node->Data;
            node->Data = nullptr;
        }
        FreeNodeData(node);
    }
}

void Tfm_main::FreeNodeData(TTreeNode* Node)
{
    for (size_t i = 0; i < Node->Count(); ++i) {
        TTreeNode* child = Node->Item(i);
        if (child->Data) {
            delete child->Data;
            child->Data = nullptr;
        }
        FreeNodeData(child);
    }
}

}  // namespace zv

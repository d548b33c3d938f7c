// The main window. Every scanner, action and command of the program is a method of this
// class; this header is the table of contents, and the definitions live with their subsystem:
// src/ui (window, pages, commands, help), src/plugins (plug-in tree, scanners, actions) and
// src/startup (startup scan and list).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "ui/QkTabs.h"
#include "ui/form.h"
#include "ui/treeview.h"

namespace zv {

struct TNodeData;

// Everything a message box of the program shows; tests answer boxes through this.
using TMessageBoxFn = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

class Tfm_main : public TForm {
public:
    Tfm_main();
    ~Tfm_main() override;

    // Creates the window (unless `withWindow` is false, for logic run without one), then runs
    // FormCreate through the event wrapper: an exception skips its remaining steps only.
    void CreateForm(bool withWindow);

    // Every message box of the program: caption "提示", owned by the main window.
    int ShowMessage(const std::string& text, UINT type);
    TMessageBoxFn MessageBoxHook;

    // Window and commands.
    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void FormResize(TObject* Sender);
    void QkTabs1TabActive(TObject* Sender, int TabIndex);
    void mu_refreshClick(TObject* Sender);
    void mu_exitClick(TObject* Sender);
    void mu_helpClick(TObject* Sender);
    void mu_aboutClick(TObject* Sender);
    void mu_resetstartpageClick(TObject* Sender);

    // Plug-in tree and its scanners.
    void ScanPlugins();
    // One scanner and the category node it fills.
    struct TPluginScanner {
        TTreeNode* Category;
        void (Tfm_main::*Scan)(TTreeNode* Category);
    };
    // Disposes the records, empties m_tree and builds its skeleton; gives the scanners in the
    // order a rebuild runs them. ScanPlugins runs them up to the first that raises; the report
    // runs each on its own, so one bad value does not hide the categories after it.
    std::vector<TPluginScanner> BuildPluginSkeleton();
    void SetNodeIcon(TTreeNode* Node, int Index);
    bool IsExtensionDisabled(const std::string& Clsid);
    void FreeTreeData(TTreeView* TreeView);
    void FreeNodeData(TTreeNode* Node);
    // The class as registered in `View` (the 64-bit view, or the one view, by default).
    void ResolveClsid(const std::string& Clsid, std::string& FileName, std::string& DisplayName,
                      TRegView View = TRegView::Only);
    void ScanExtensions(TTreeNode* Category);
    void ScanExtensionsView(TTreeNode* Category, const TViewKey& View);
    void ScanBrowserHelperObjects(TTreeNode* Category);
    void ScanToolbars(TTreeNode* Category);
    void ScanExplorerBars(TTreeNode* Category);
    void ScanUrlSearchHooks(TTreeNode* Category);
    void ScanMenuExt(TTreeNode* Category);
    void ScanMenuExtView(TTreeNode* Category, const TViewKey& View);
    void ScanShellExecuteHooks(TTreeNode* Category);
    void ScanDownloadedControls(TTreeNode* Category);
    void ScanDownloadedControlsView(TTreeNode* Category, const TViewKey& View);
    void ScanExtStats(TTreeNode* Category);
    void ScanExtStatsView(TTreeNode* Category, const TViewKey& View);

    // Plug-in actions.
    void m_treeChange(TObject* Sender, TTreeNode* Node);
    void m_treeDblClick(TObject* Sender);
    void bt_onoffClick(TObject* Sender);
    void bt_deleteClick(TObject* Sender);
    void bt_delfileClick(TObject* Sender);
    void bt_delactivexClick(TObject* Sender);

    // Startup items.
    void ScanStartupItems();
    // One place the startup scan looks at: its group's title and picture, and the scan that
    // fills the group and gives the number of items it added.
    struct TStartupPlace {
        std::string Title;
        int Picture;
        std::function<int(TTreeNode* Group)> Scan;
        // Where Task Manager marks the files of a startup folder (see ReadStartupMarks).
        uint32_t FolderMarkRoot = 0;
    };
    // Disposes the records, empties tree_start and trims img_start; gives the places in the
    // order the scan visits them: the Run keys, the three folders of a Chinese XP, then the
    // shell's startup folders that are none of those. ScanStartupItems scans them up to the first that raises;
    // the report scans each on its own.
    std::vector<TStartupPlace> ClearStartupTree();
    // Adds the place's group at the end of tree_start and fills it; drops the group again when
    // it stayed empty.
    void ScanStartupPlace(const TStartupPlace& Place);
    int ScanRunKey(TTreeNode* Group, uint32_t Root, const std::string& KeyPath, TRegView View = TRegView::Only);
    int ScanStartupFolder(TTreeNode* Group, const std::string& Folder);
    void tree_startAdvancedCustomDrawItem(TTreeView* Sender, TTreeNode* Node, NMTVCUSTOMDRAW& Draw, bool& PaintImages,
                                          bool& DefaultDraw);
    void tree_startChange(TObject* Sender, TTreeNode* Node);
    void tree_startCollapsing(TObject* Sender, TTreeNode* Node, bool& AllowCollapse);
    void tree_startCollapsed(TObject* Sender, TTreeNode* Node);
    void tree_startDblClick(TObject* Sender);
    void bt_delstartClick(TObject* Sender);
    void head_startSectionResize(THeaderControl* HeaderControl, THeaderSection& Section);

    // Controls, in the order of the window's layout.
    TQkTabs QkTabs1{this};
    TStatusBar m_status{this};
    TPanel panel_chajian{this, TPanel::bvRaised, TPanel::bvLowered};
    TPanel panel_start{this, TPanel::bvRaised, TPanel::bvLowered};
    TTreeView m_tree{&panel_chajian};
    TPanel Panel1{&panel_chajian, TPanel::bvLowered, TPanel::bvNone};
    TButton bt_delete{&Panel1};
    TButton bt_onoff{&Panel1};
    TButton bt_delactivex{&Panel1};
    TButton bt_delfile{&Panel1};
    TPanel Panel2{&panel_start, TPanel::bvNone, TPanel::bvLowered};
    TButton bt_delstart{&Panel2};
    TPanel Panel4{&panel_start, TPanel::bvNone, TPanel::bvNone};
    THeaderControl head_start{&Panel4};
    TTreeView tree_start{&Panel4};
    TImageList m_icos{20, 20};
    TImageList img_start{16, 16};

    TMenuItem F1{"文件(&F)"};
    TMenuItem mu_refresh{"刷新(&R)", "重新扫描浏览器插件"};
    TMenuItem N2{"-"};
    TMenuItem mu_exit{"退出(&X)", "退出程序"};
    TMenuItem N1{"工具(&T)"};
    TMenuItem mu_resetstartpage{"恢复浏览器主页地址", "修复被篡改的主页地址，并自动解除不能修改主页地址的锁定"};
    TMenuItem H1{"帮助(&H)"};
    TMenuItem mu_help{"帮助(&H)"};
    TMenuItem mu_about{"关于(&A)", "关于软件"};

private:
    void LayOut();
    void WireEvents();
    void LoadPictures();
};

}  // namespace zv

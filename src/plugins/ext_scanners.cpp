// Scanners of the registry-listed extension points of the browser and the shell.
#include "plugins/node_data.h"
#include "plugins/plugin_texts.h"
#include "ui/w_main.h"

namespace zv {

void Tfm_main::ResolveClsid(const std::string&, std::string& FileName, std::string& DisplayName)
{
    FileName.clear();
    DisplayName.clear();
}

void Tfm_main::ScanExtensions(TTreeNode*) {}
void Tfm_main::ScanBrowserHelperObjects(TTreeNode*) {}
void Tfm_main::ScanToolbars(TTreeNode*) {}
void Tfm_main::ScanExplorerBars(TTreeNode*) {}
void Tfm_main::ScanUrlSearchHooks(TTreeNode*) {}
void Tfm_main::ScanMenuExt(TTreeNode*) {}
void Tfm_main::ScanShellExecuteHooks(TTreeNode*) {}

}  // namespace zv

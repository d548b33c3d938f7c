// The startup list: its drawing, its columns and its commands.
#include "plugins/node_data.h"
#include "ui/w_main.h"

namespace zv {

void Tfm_main::tree_startAdvancedCustomDrawItem(TTreeView*, TTreeNode*, NMTVCUSTOMDRAW&, bool&, bool&) {}
void Tfm_main::tree_startChange(TObject*, TTreeNode*) {}
void Tfm_main::tree_startCollapsing(TObject*, TTreeNode*, bool&) {}
void Tfm_main::tree_startCollapsed(TObject*, TTreeNode*) {}
void Tfm_main::tree_startDblClick(TObject*) {}
void Tfm_main::bt_delstartClick(TObject*) {}
void Tfm_main::head_startSectionResize(THeaderControl*, THeaderSection&) {}

}  // namespace zv

// What the plug-in page's buttons do.
#include "plugins/node_data.h"
#include "plugins/plugin_texts.h"
#include "ui/w_main.h"

namespace zv {

void Tfm_main::m_treeChange(TObject*, TTreeNode*) {}
void Tfm_main::m_treeDblClick(TObject*) {}
void Tfm_main::bt_onoffClick(TObject*) {}
void Tfm_main::bt_deleteClick(TObject*) {}
void Tfm_main::bt_delfileClick(TObject*) {}
void Tfm_main::bt_delactivexClick(TObject*) {}
void Tfm_main::mu_resetstartpageClick(TObject*) {}

}  // namespace zv

// The scan of the Run keys and the startup folders.
#include "plugins/node_data.h"
#include "ui/w_main.h"

namespace zv {

void Tfm_main::ScanStartupItems()
{
    FreeTreeData(&tree_start);
    tree_start.Clear();
}

int Tfm_main::ScanRunKey(TTreeNode*, uint32_t, const std::string&) { return 0; }
int Tfm_main::ScanStartupFolder(TTreeNode*, const std::string&) { return 0; }

}  // namespace zv

// Scanners of the ActiveX controls the browser downloaded or used.
#include "plugins/node_data.h"
#include "plugins/plugin_texts.h"
#include "ui/w_main.h"

namespace zv {

void Tfm_main::ScanDownloadedControls(TTreeNode*) {}
void Tfm_main::ScanExtStats(TTreeNode*) {}

}  // namespace zv

// The help menu's commands.
#include "ui/w_main.h"

namespace zv {

void Tfm_main::mu_helpClick(TObject*) {}
void Tfm_main::mu_aboutClick(TObject*) {}

}  // namespace zv

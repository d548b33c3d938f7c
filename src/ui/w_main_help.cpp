// The help menu's commands.
#include "app/pub_funcs.h"
#include "ui/htmlhelpunit.h"
#include "ui/w_about.h"
#include "ui/w_main.h"

namespace zv {

void Tfm_main::mu_helpClick(TObject*)
{
    CallHtmlHelp(Handle(), AppDir + "\\Quillot.chm::/htmls/index.htm", kHhDisplayTopic, 0);
}

void Tfm_main::mu_aboutClick(TObject*)
{
    Tfm_about about(this);
    about.ShowModal();
}

}  // namespace zv

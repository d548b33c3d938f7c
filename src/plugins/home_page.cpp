// Restoring the browser's home page and lifting the per-user policy that can lock it.
#include "ui/w_main.h"

namespace zv {

void Tfm_main::mu_resetstartpageClick(TObject*)
{
    if (ShowMessage("你确定要恢复浏览器主页地址为“about:blank”吗？", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    TRegistry reg;
    reg.SetRoot(HKEY_CURRENT_USER);
    // A missing lock is no failure: the page is set either way.
    reg.EraseKey("Policies\\Microsoft\\Internet Explorer\\Control Panel");
    reg.LeaveKey();
    bool restored = false;
    // The key is never created: a browser that has no settings yet is not given any.
    if (reg.EnterKey("Software\\Microsoft\\Internet Explorer\\Main", false)) {
        try {
            reg.WriteText("Start Page", "about:blank");
            restored = true;
        } catch (const ERegistryException&) {
        }
        reg.LeaveKey();
    }
    if (restored) {
        ShowMessage("主页地址已经恢复为 about:blank ！", MB_ICONINFORMATION);
    } else {
        ShowMessage("主页地址修改失败！", MB_ICONERROR);
    }
}

}  // namespace zv

// Restoring the browser's home page and lifting the per-user policy that can lock it.
#include "plugins/action_keys.h"
#include "ui/w_main.h"
#include "undo/undo_record.h"

namespace zv {

void Tfm_main::mu_resetstartpageClick(TObject*)
{
    if (ShowMessage("你确定要恢复浏览器主页地址为“about:blank”吗？", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    bool restored = false;
    // Neither the lock nor the page changes unless the record that takes both back is written.
    TUndoRecord undo("恢复浏览器主页地址", std::string("HKEY_CURRENT_USER\\") + HomePageKey + "\\Start Page");
    undo.SaveErasedKey(HKEY_CURRENT_USER, HomePageLockKey);
    undo.SaveValues(HKEY_CURRENT_USER, HomePageKey, {"Start Page"});
    if (undo.Write()) {
        TRegistry reg;
        reg.SetRoot(HKEY_CURRENT_USER);
        // A missing lock is no failure: the page is set either way.
        reg.EraseKey(HomePageLockKey);
        reg.LeaveKey();
        // The key is never created: a browser that has no settings yet is not given any.
        if (reg.EnterKey(HomePageKey, false)) {
            try {
                reg.WriteText("Start Page", "about:blank");
                restored = true;
            } catch (const ERegistryException&) {
            }
            reg.LeaveKey();
        }
        undo.Settle();
    }
    if (restored) {
        ShowMessage("主页地址已经恢复为 about:blank ！", MB_ICONINFORMATION);
    } else {
        ShowMessage("主页地址修改失败！", MB_ICONERROR);
    }
}

}  // namespace zv

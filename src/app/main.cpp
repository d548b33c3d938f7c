// The program's entry: application, paths, main window, message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/pub_funcs.h"
#include "ui/application.h"
#include "ui/w_main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    zv::SetQuietErrorMode();
    zv::Application.Title = "Zorvane";
    zv::InitPaths();
    zv::Tfm_main fm_main;
    zv::Application.MainForm = &fm_main;
    fm_main.CreateForm(true);
    const int code = zv::Application.Run(showCommand);
    fm_main.DestroyHandle();
    zv::Application.MainForm = nullptr;
    return code;
}

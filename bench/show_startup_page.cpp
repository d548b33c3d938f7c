// Shows the main window with its startup page in front for a while, so that the owner-drawn
// startup list can be looked at: run it on the sample prefix and take the window with
// xwd -id, as scripts/run-sample.sh does. (Copying the window from the screen DC does not work
// under Wine's X11 driver: the child windows come out unpainted.)
//
//   show_startup_page.exe [index of the node to select, in tree order] [milliseconds=10000]
#include <cstdlib>
#include <vector>

#include "ui/application.h"
#include "ui/w_main.h"

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    zv::Application.Title = "Zorvane";
    zv::Tfm_main form;
    zv::Application.MainForm = &form;
    form.CreateForm(true);
    form.QkTabs1TabActive(nullptr, 1);
    ShowWindow(form.Handle(), SW_SHOW);
    if (argc > 1) {
        const std::vector<zv::TTreeNode*> nodes = form.tree_start.Nodes();
        const size_t index = static_cast<size_t>(std::atoi(argv[1]));
        if (index < nodes.size()) form.tree_start.Select(nodes[index]);
    }
    const ULONGLONG end = GetTickCount64() + (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 10000);
    MSG msg;
    while (GetTickCount64() < end) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    form.DestroyHandle();
    zv::Application.MainForm = nullptr;
    return 0;
}

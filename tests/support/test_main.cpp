// Entry of every test program: the common controls and the locale the program runs with.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "ui/application.h"

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // lstrcmpA sorts by the thread locale: pin the Chinese one the program serves.
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT));
    zv::Application.Title = "Zorvane";
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Entry of every test program: the common controls and the locale the program runs with.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "ui/application.h"
#include "zvtest.h"

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // lstrcmpA sorts by the thread locale: pin the Chinese one the program serves.
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT));
    zv::Application.Title = "Zorvane";
    testing::InitGoogleTest(&argc, argv);
    // The changes tests make through the window leave their undo records here, not among the
    // prefix's own; a test that takes records back says so (TUndoRecordsFixture).
    const zvtest::TTempDir records;
    const zvtest::TUndoFolderSeam seam(records.Path() + "\\Zorvane");
    return RUN_ALL_TESTS();
}

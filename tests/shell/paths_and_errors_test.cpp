// Program-wide paths, the standard error box's text, and the event wrapper.
#include "app/pub_funcs.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "zvtest.h"

TEST(AppDir, CutsAfterTheLastSeparatorWithoutATrailingBackslash)
{
    using zv::DirectoryOfPath;
    EXPECT_EQ(DirectoryOfPath("C:\\Program Files\\Zorvane\\Zorvane.exe"), "C:\\Program Files\\Zorvane");
    EXPECT_EQ(DirectoryOfPath("C:\\Zorvane.exe"), "C:\\") << "a drive root keeps its backslash";
    EXPECT_EQ(DirectoryOfPath("C:Zorvane.exe"), "C:");
    EXPECT_EQ(DirectoryOfPath("\\\\server\\share\\Zorvane.exe"), "\\\\server\\share");
    EXPECT_EQ(DirectoryOfPath("\\\\Zorvane.exe"), "\\\\");
    EXPECT_EQ(DirectoryOfPath("Zorvane.exe"), "");
    EXPECT_EQ(DirectoryOfPath("C:\\工具\\Zorvane.exe"), "C:\\工具");
    // 乗 is 0x81 0x5C: its second byte is a backslash's code but not a separator.
    EXPECT_EQ(DirectoryOfPath("C:\\乗"), "C:\\");
    EXPECT_EQ(DirectoryOfPath("C:\\dir\\乗\\a.exe"), "C:\\dir\\乗");
    // A folder whose name ends in that character still loses only the real separator.
    EXPECT_EQ(DirectoryOfPath("C:\\乗\\a.exe"), "C:\\乗");
}

TEST(AppDir, InitPathsTakesTheRunningProgramsFolder)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    zv::InitPaths();
    std::string expected = self;
    expected.resize(expected.find_last_of('\\'));
    EXPECT_EQ(zv::AppDir, expected);
}

TEST(ErrorMode, AnEmptyDriveFailsInsteadOfAskingForADisk)
{
    SetErrorMode(0);
    zv::SetQuietErrorMode();
    EXPECT_EQ(GetErrorMode() & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
}

TEST(StandardErrorBox, AppendsAFullStopAfterCharactersAboveIt)
{
    using zv::StandardErrorText;
    // The registry's messages end in a quote, whose code lies below that of the full stop.
    EXPECT_EQ(StandardErrorText("Invalid data type for 'x'"), "Invalid data type for 'x'");
    EXPECT_EQ(StandardErrorText("Help system not installed"), "Help system not installed.");
    EXPECT_EQ(StandardErrorText("Function HTMLHELP cannot loaded!"), "Function HTMLHELP cannot loaded!");
    EXPECT_EQ(StandardErrorText("done."), "done.");
    EXPECT_EQ(StandardErrorText("(see above)"), "(see above)");
    EXPECT_EQ(StandardErrorText("why?"), "why?.");
    EXPECT_EQ(StandardErrorText("code 5"), "code 5.");
    EXPECT_EQ(StandardErrorText("失败"), "失败.");
    EXPECT_EQ(StandardErrorText("a-"), "a-");
    EXPECT_EQ(StandardErrorText(""), "");
}

TEST(StandardErrorBox, EveryEscapingExceptionIsShownAndTheProgramGoesOn)
{
    zv::Tfm_main form;
    zvtest::TMessageRecorder rec(form);
    bool after = false;
    zv::FireEvent([] { throw zv::ERegistryException("Invalid data type for 'Exec'"); });
    zv::FireEvent([] { throw zv::EError("Help system not installed!\r HTMLHELP cannot displayed!"); });
    zv::FireEvent([] { throw std::runtime_error("out of memory"); });
    zv::FireEvent([&] { after = true; });
    ASSERT_EQ(rec.errors.size(), 3u);
    EXPECT_EQ(rec.errors[0], "Invalid data type for 'Exec'");
    EXPECT_EQ(rec.errors[1], "Help system not installed!\r HTMLHELP cannot displayed!");
    EXPECT_EQ(rec.errors[2], "out of memory.");
    EXPECT_TRUE(after);
    EXPECT_EQ(rec.errorBoxes[0].owner, nullptr) << "no main window yet";

    // Once the main window exists, it owns the box.
    zv::Application.MainForm = &form;
    form.CreateForm(true);
    zv::FireEvent([] { throw zv::EError("x"); });
    zv::Application.MainForm = nullptr;
    ASSERT_EQ(rec.errorBoxes.size(), 4u);
    EXPECT_EQ(rec.errorBoxes[3].text, "x.");
    EXPECT_EQ(rec.errorBoxes[3].caption, "Zorvane");
    EXPECT_EQ(rec.errorBoxes[3].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(rec.errorBoxes[3].owner, form.Handle());
}

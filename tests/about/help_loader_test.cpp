// The help loader: its states against a stand-in viewer library (missing, loaded, without its
// entry point, in a long system directory), Wine's own HHCTRL.OCX opening the built
// Quillot.chm, and the help command of the main window's menu.
#include <algorithm>

#include "about_fixtures.h"
#include "app/pub_funcs.h"

using namespace abouttest;

namespace {

const std::string kNotInstalled = "Help system not installed!\r HTMLHELP cannot displayed!";
const std::string kNoFunction = "Function HTMLHELP cannot loaded!";

std::vector<HWND> ThreadWindows()
{
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM lp) CALLBACK -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The visible top-level windows of this thread that `before` did not have.
std::vector<HWND> NewVisibleWindows(const std::vector<HWND>& before)
{
    std::vector<HWND> added;
    for (HWND h : ThreadWindows()) {
        if (IsWindowVisible(h) && std::find(before.begin(), before.end(), h) == before.end()) added.push_back(h);
    }
    return added;
}

}  // namespace

TEST(HtmlHelpLoader, MissingLibraryIsReportedAndLookedForAgainOnEveryRequest)
{
    zvtest::TTempDir dir;
    TCountingLoader help(dir.Path());
    for (int attempt = 1; attempt <= 3; ++attempt) {
        EXPECT_EQ(ErrorOf([&] { help.loader.Call(nullptr, "a.chm", zv::kHhDisplayTopic, 0); }), kNotInstalled);
        EXPECT_EQ(help.asked, attempt);
    }

    // Installed in the meantime, the library is found by the very next request.
    InstallViewer(dir.Path());
    EXPECT_EQ(help.loader.Call(nullptr, "a.chm", zv::kHhDisplayTopic, 0), zvfake::kFakeHelpWindow);
    EXPECT_EQ(help.asked, 4);
    TFakeViewerLog log(dir.Path());
    EXPECT_EQ(log->initialiseCalls, 1);
    EXPECT_EQ(log->otherCalls, 1);
}

TEST(HtmlHelpLoader, LoadsAndInitialisesOnceThenPassesEveryRequestOn)
{
    zvtest::TTempDir dir;
    InstallViewer(dir.Path());
    TCountingLoader help(dir.Path());
    const HWND caller = GetDesktopWindow();

    EXPECT_EQ(help.loader.Call(caller, "first.chm::/htmls/index.htm", zv::kHhDisplayTopic, 0),
              zvfake::kFakeHelpWindow);
    EXPECT_EQ(help.loader.Call(caller, "second.chm", 0x12, 77), zvfake::kFakeHelpWindow);

    EXPECT_EQ(help.asked, 1) << "the library was loaded again";
    TFakeViewerLog log(dir.Path());
    EXPECT_EQ(log->initialiseCalls, 1);
    EXPECT_FALSE(log->initialiseHadWindow);
    EXPECT_FALSE(log->initialiseHadFile);
    EXPECT_TRUE(log->cookieWritten) << "the initialisation got no cookie to fill";
    EXPECT_EQ(log->otherCalls, 2);
    EXPECT_EQ(log->lastCaller, caller);
    EXPECT_STREQ(log->lastFile, "second.chm");
    EXPECT_EQ(log->lastCommand, 0x12u);
    EXPECT_EQ(log->lastData, 77u);
}

TEST(HtmlHelpLoader, LibraryWithoutTheEntryPointIsReportedAndNeverCalled)
{
    zvtest::TTempDir dir;
    // A real library of the build that exports no HtmlHelpA.
    InstallViewer(dir.Path(), "zarlib.dll");
    TCountingLoader help(dir.Path());
    for (int attempt = 1; attempt <= 2; ++attempt) {
        EXPECT_EQ(ErrorOf([&] { help.loader.Call(nullptr, "a.chm", zv::kHhDisplayTopic, 0); }), kNoFunction);
    }
    EXPECT_EQ(help.asked, 1) << "the loaded library was loaded again";
}

TEST(HtmlHelpLoader, SystemDirectoryOfAnyLength)
{
    // 247 characters: the library's path (258) is one the system still opens, and it no longer
    // fits a 256-character buffer.
    constexpr size_t kLength = 247;
    zvtest::TTempDir base;
    std::string dir = base.Path();
    ASSERT_LT(dir.size() + 10, kLength);
    while (kLength - dir.size() > 50) {
        dir.append("\\").append(40, 'd');
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
    }
    const size_t last = kLength - dir.size() - 1;
    dir.append("\\").append(last, 'e');
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
    ASSERT_EQ(dir.size(), kLength);
    InstallViewer(dir);
    {
        TCountingLoader help(dir);
        EXPECT_EQ(help.loader.Call(nullptr, "long.chm", zv::kHhDisplayTopic, 0), zvfake::kFakeHelpWindow);
        TFakeViewerLog log(dir);
        EXPECT_STREQ(log->lastFile, "long.chm");
    }

    // Longer than any path the system opens: refused as a missing library, nothing overruns.
    TCountingLoader help(std::string(5000, 'x'));
    EXPECT_EQ(ErrorOf([&] { help.loader.Call(nullptr, "a.chm", zv::kHhDisplayTopic, 0); }), kNotInstalled);
}

TEST(HtmlHelpLoader, WineViewerOpensTheBuiltHelpFile)
{
    const std::string viewer = zv::SystemDirectory() + "\\HHCTRL.OCX";
    ASSERT_NE(GetFileAttributesA(viewer.c_str()), INVALID_FILE_ATTRIBUTES) << viewer;

    // The program-wide loader with the real system directory.
    HWND help = zv::CallHtmlHelp(nullptr, BinDir() + "\\Quillot.chm::/htmls/index.htm", zv::kHhDisplayTopic, 0);
    ASSERT_TRUE(IsWindow(help));
    EXPECT_NE(TextOf(help).find("帮助"), std::string::npos) << "title " << TextOf(help);
    // Closed as a user closes it: the viewer forgets a window destroyed behind its back and
    // would show nothing for the next request.
    SendMessageA(help, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(help));
}

TEST(HelpCommand, OpensTheIndexTopicOfTheHelpFileBesideTheProgram)
{
    TShownMainWindow main;
    zv::Tfm_main& form = main.form;
    zvtest::TMessageRecorder rec(form);
    auto chooseHelp = [&] { SendMessageA(form.Handle(), WM_COMMAND, form.mu_help.Command, 0); };

    {
        // No viewer: the standard error box, every time, and the program goes on.
        zvtest::TTempDir empty;
        TCountingLoader help(empty.Path());
        TUseLoader use(help.loader);
        chooseHelp();
        chooseHelp();
        EXPECT_EQ(rec.errors, (std::vector<std::string>{kNotInstalled, kNotInstalled}));
        EXPECT_EQ(help.asked, 2);
        EXPECT_TRUE(rec.boxes.empty());
    }
    rec.errors.clear();
    {
        // A program in a drive's root directory: two separators in a row.
        zvtest::TTempDir dir;
        InstallViewer(dir.Path());
        TCountingLoader help(dir.Path());
        TUseLoader use(help.loader);
        TAppDir appDir("C:\\");
        chooseHelp();
        TFakeViewerLog log(dir.Path());
        EXPECT_EQ(log->otherCalls, 1);
        EXPECT_EQ(log->lastCaller, form.Handle());
        EXPECT_STREQ(log->lastFile, "C:\\\\Quillot.chm::/htmls/index.htm");
        EXPECT_EQ(log->lastCommand, 0u);
        EXPECT_EQ(log->lastData, 0u);
    }
    {
        // Wine's viewer with the help file beside the test programs.
        TAppDir appDir(BinDir());
        const std::vector<HWND> before = ThreadWindows();
        chooseHelp();
        const std::vector<HWND> shown = NewVisibleWindows(before);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(TextOf(shown[0]).find("帮助"), std::string::npos) << "title " << TextOf(shown[0]);
        EXPECT_EQ(GetWindow(shown[0], GW_OWNER), form.Handle());
        SendMessageA(shown[0], WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(rec.errors.empty());
}

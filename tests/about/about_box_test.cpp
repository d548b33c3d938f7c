// The about box as its logic sees it and as a user sees it: the real modal window over the
// main window under Xvfb, its texts, fonts, picture, keys, and the link under the pointer.
#include <cstdlib>

#include "about_fixtures.h"
#include "../../res/resource.h"

using namespace abouttest;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
const POINT kFarAway{1000, 740};

void PostKey(HWND to, WPARAM key)
{
    PostMessageA(to, WM_KEYDOWN, key, 1);
    PostMessageA(to, WM_KEYUP, key, 0xC0000001);
}

// The link as shown: red and underlined while pointed at, blue without underline otherwise,
// regular in both.
void ExpectLinkLook(HWND link, bool pointedAt)
{
    const LOGFONTA lf = FontOf(link);
    EXPECT_EQ(lf.lfUnderline != 0, pointedAt);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_FALSE(lf.lfItalic);
    const TPicture picture = PictureOf(link);
    EXPECT_GT(picture.Count(pointedAt ? IsRed : IsBlue), 0);
    EXPECT_EQ(picture.Count(pointedAt ? IsBlue : IsRed), 0);
}

void ExpectSimSun12(HWND control)
{
    const LOGFONTA lf = FontOf(control);
    EXPECT_STREQ(lf.lfFaceName, "宋体") << TextOf(control);
    EXPECT_EQ(lf.lfHeight, -12) << TextOf(control);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET) << TextOf(control);
}

}  // namespace

TEST(AboutBoxLogic, LinkStylesFittingLabelsAndTheSiteRequestWithoutAWindow)
{
    zv::Tfm_about box(nullptr);
    EXPECT_FALSE(box.HandleAllocated());

    // Entering makes the style exactly underlined; leaving drops only the underline.
    box.lb_url.SetFontStyle(zv::fsBold | zv::fsItalic);
    box.lb_urlMouseEnter(&box.lb_url);
    EXPECT_EQ(box.lb_url.FontColor(), kRed);
    EXPECT_EQ(box.lb_url.FontStyle(), unsigned(zv::fsUnderline));
    box.lb_url.SetFontStyle(zv::fsUnderline | zv::fsStrikeOut);
    box.lb_urlMouseLeave(&box.lb_url);
    EXPECT_EQ(box.lb_url.FontColor(), kBlue);
    EXPECT_EQ(box.lb_url.FontStyle(), unsigned(zv::fsStrikeOut));

    // Bold text is wider: the label keeps fitting its text.
    const int boldWidth = box.lb_title.Width();
    box.lb_title.SetFontStyle(0);
    EXPECT_LT(box.lb_title.Width(), boldWidth);

    TShellRecorder shell;
    box.lb_urlClick(&box.lb_url);
    ASSERT_EQ(shell.Calls().size(), 1u);
    const TShellCall& call = shell.Calls()[0];
    EXPECT_EQ(call.owner, nullptr);
    EXPECT_EQ(call.verb, "open");
    EXPECT_EQ(call.file, zv::MakerSiteUrl);
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.show, SW_SHOW);
}

TEST(AboutBoxWindow, ModalOverTheMainWindowFreshEachTimeAndClosedOnlyByItsButton)
{
    TShownMainWindow main;
    const HWND mainWnd = main.form.Handle();
    HWND shownBox = nullptr;

    TAboutScript firstShowing({
        [&](zv::Tfm_about& box) -> bool {
            const HWND h = box.Handle();
            shownBox = h;
            EXPECT_EQ(TextOf(h), "关于");
            RECT client;
            GetClientRect(h, &client);
            EXPECT_EQ(client.right, 385);
            EXPECT_EQ(client.bottom, 157);
            const LONG style = GetWindowLongA(h, GWL_STYLE);
            EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
            EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
            EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
            EXPECT_EQ(GetWindow(h, GW_OWNER), mainWnd);
            EXPECT_FALSE(IsWindowEnabled(mainWnd)) << "the main window takes input under a modal box";
            const POINT boxCentre = CentreOf(h), mainCentre = CentreOf(mainWnd);
            EXPECT_LE(std::abs(boxCentre.x - mainCentre.x), 1);
            EXPECT_LE(std::abs(boxCentre.y - mainCentre.y), 1);
            EXPECT_EQ(GetClassLongPtrA(h, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

            struct TExpected {
                zv::TControl& control;
                int left, top;
                const char* text;
            };
            for (const TExpected& e : {
                     TExpected{box.lb_title, 88, 16, "Zorvane 1.7"},
                     TExpected{box.lb_date, 88, 40, "版本日期：2007-7-24"},
                     TExpected{box.Label2, 88, 64, nullptr},
                     TExpected{box.Label3, 88, 88, "网址："},
                     TExpected{box.lb_url, 128, 88, zv::MakerSiteUrl},
                     TExpected{box.suiButton1, 298, 16, "确定"},
                     TExpected{box.Image1, 24, 16, ""},
                 }) {
                const RECT r = PlaceOf(e.control.Handle());
                EXPECT_EQ(r.left, e.left) << TextOf(e.control.Handle());
                EXPECT_EQ(r.top, e.top) << TextOf(e.control.Handle());
                if (e.text) {
                    EXPECT_EQ(TextOf(e.control.Handle()), e.text);
                }
                if (&e.control != &box.Image1) ExpectSimSun12(e.control.Handle());
            }
            EXPECT_FALSE(TextOf(box.Label2.Handle()).empty());
            EXPECT_EQ(FontOf(box.lb_title.Handle()).lfWeight, FW_BOLD);
            for (zv::TPaintedLabel* l : {&box.lb_date, &box.Label2, &box.Label3, &box.lb_url}) {
                EXPECT_EQ(FontOf(l->Handle()).lfWeight, FW_NORMAL) << TextOf(l->Handle());
                EXPECT_FALSE(FontOf(l->Handle()).lfUnderline) << TextOf(l->Handle());
            }
            const RECT button = PlaceOf(box.suiButton1.Handle());
            EXPECT_EQ(button.right - button.left, 65);
            EXPECT_EQ(button.bottom - button.top, 22);

            // The program's icon at its own 32 pixels from the top-left corner of a 41-pixel image.
            const TPicture image = PictureOf(box.Image1.Handle());
            EXPECT_EQ(image.width, 41);
            EXPECT_EQ(image.height, 41);
            zv::TIcon icon(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_ZORVANE),
                                                         IMAGE_ICON, 32, 32, 0)));
            const TPicture expected = PictureFrom(41, 41, [&](HDC dc) {
                RECT all{0, 0, 41, 41};
                FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
                DrawIconEx(dc, 0, 0, icon.get(), 32, 32, 0, nullptr, DI_NORMAL);
            });
            EXPECT_EQ(image.pixels, expected.pixels);
            EXPECT_GT(image.Count([](COLORREF c) { return c != GetSysColor(COLOR_BTNFACE); }), 0);

            // Only the button takes the focus.
            EXPECT_EQ(GetFocus(), box.suiButton1.Handle());
            EXPECT_EQ(GetNextDlgTabItem(h, box.suiButton1.Handle(), FALSE), box.suiButton1.Handle());
            for (zv::TControl* c : box.Children()) {
                const bool tabStop = GetWindowLongA(c->Handle(), GWL_STYLE) & WS_TABSTOP;
                EXPECT_EQ(tabStop, c == &box.suiButton1) << TextOf(c->Handle());
            }

            PostKey(GetFocus(), VK_ESCAPE);
            // Left stale on purpose: the next showing must not see it.
            box.lb_title.SetCaption("stale");
            return true;
        },
        [&](zv::Tfm_about& box) -> bool {
            EXPECT_EQ(box.ModalResult, 0) << "Escape closed the box";
            EXPECT_TRUE(IsWindowVisible(box.Handle()));
            PostKey(GetFocus(), VK_RETURN);
            return true;
        },
    });
    main.form.mu_aboutClick(&main.form.mu_about);
    EXPECT_TRUE(firstShowing.Finished());
    EXPECT_FALSE(IsWindow(shownBox)) << "the box outlived its showing";
    EXPECT_TRUE(IsWindowEnabled(mainWnd));

    TAboutScript secondShowing({
        [&](zv::Tfm_about& box) -> bool {
            EXPECT_EQ(TextOf(box.lb_title.Handle()), "Zorvane 1.7");
            EXPECT_EQ(TextOf(box.lb_date.Handle()), "版本日期：2007-7-24");
            EXPECT_EQ(FontOf(box.lb_title.Handle()).lfWeight, FW_BOLD);
            PostKey(GetFocus(), VK_SPACE);
            return true;
        },
    });
    // Through the menu, as a user chooses it.
    SendMessageA(mainWnd, WM_COMMAND, main.form.mu_about.Command, 0);
    EXPECT_TRUE(secondShowing.Finished());
    EXPECT_TRUE(IsWindowEnabled(mainWnd));
}

TEST(AboutBoxWindow, LinkFollowsThePointerAndOpensTheSite)
{
    TShownMainWindow main;
    TShellRecorder shell;
    SetCursorPos(kFarAway.x, kFarAway.y);
    zv::Tfm_about box(&main.form);
    HWND link = nullptr;

    TAboutScript script({
        [&](zv::Tfm_about& b) {
            link = b.lb_url.Handle();
            ExpectLinkLook(link, false);
            SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
            // Whatever the style before, pointing makes it exactly underlined.
            b.lb_url.SetFontStyle(zv::fsBold | zv::fsItalic);
            const POINT centre = CentreOf(link);
            SetCursorPos(centre.x, centre.y);
            return true;
        },
        [&](zv::Tfm_about& b) { return b.lb_url.FontColor() == kRed; },
        [&](zv::Tfm_about&) {
            ExpectLinkLook(link, true);
            SetCursorPos(kFarAway.x, kFarAway.y);
            return true;
        },
        [&](zv::Tfm_about& b) { return b.lb_url.FontColor() == kBlue; },
        [&](zv::Tfm_about&) {
            ExpectLinkLook(link, false);

            // A press released off the link is taken back; one released on it opens the site.
            PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
            PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-20), 3));
            PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
            PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
            return true;
        },
        [&](zv::Tfm_about& b) {
            if (shell.Calls().empty()) return false;
            EXPECT_EQ(shell.Calls().size(), 1u);
            EXPECT_EQ(shell.Calls()[0].file, zv::MakerSiteUrl);
            EXPECT_EQ(b.ModalResult, 0) << "the link closed the box";
            SendMessageA(b.suiButton1.Handle(), BM_CLICK, 0, 0);
            return true;
        },
    });
    EXPECT_EQ(box.ShowModal(), IDOK);
    EXPECT_TRUE(script.Finished());
    // Only the showing ends; the object's owner destroys the window.
    EXPECT_TRUE(box.HandleAllocated());
    EXPECT_FALSE(IsWindowVisible(box.Handle()));
}

TEST(AboutBoxWindow, ClosingTheWindowEndsTheShowingAsCancelled)
{
    TShownMainWindow main;
    zv::Tfm_about box(&main.form);
    TAboutScript script({
        [](zv::Tfm_about& b) {
            PostMessageA(b.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        },
    });
    EXPECT_EQ(box.ShowModal(), IDCANCEL);
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(IsWindowEnabled(main.form.Handle()));
}

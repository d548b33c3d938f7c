// The strip as a real window under Xvfb: what reaches the screen, which mouse messages select
// which tab, and when it repaints.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tabs_canvas.h"
#include "ui/form.h"
#include "zvtest.h"

namespace {

using tabstest::kSelectedRow5;
using tabstest::TDibCanvas;

// Counts the WM_PAINT messages that reach one window.
class TPaintCounter {
public:
    explicit TPaintCounter(HWND hwnd) : m_hwnd(hwnd)
    {
        s_active = this;
        const auto proc = reinterpret_cast<LONG_PTR>(&Proc);
        m_original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, proc));
    }
    TPaintCounter(const TPaintCounter&) = delete;
    ~TPaintCounter() { SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original)); }
    int count = 0;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        s_active->count += msg == WM_PAINT;
        return CallWindowProcA(s_active->m_original, hwnd, msg, wp, lp);
    }
    static inline TPaintCounter* s_active = nullptr;
    HWND m_hwnd;
    WNDPROC m_original;
};

// A bare form with one strip, 300 by 22 at its top left, created but not yet shown.
struct TStripHost {
    zv::TForm form;
    zv::TQkTabs tabs{&form};
    std::vector<int> events;

    explicit TStripHost(const std::vector<std::string>& captions)
    {
        form.SetBounds(40, 40, 400, 120);
        tabs.SetBounds(0, 0, 300, 22);
        tabs.tabs() = captions;
        tabs.OnTabActive = [this](zv::TObject*, int index) { events.push_back(index); };
        form.CreateHandles();
    }
    void Show()
    {
        ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
        UpdateWindow(form.Handle());
        zvtest::PumpMessages();
    }
    void Press(int x, int y, UINT msg = WM_LBUTTONDOWN, WPARAM keys = MK_LBUTTON)
    {
        SendMessageA(tabs.Handle(), msg, keys, MAKELPARAM(x, y));
    }
};

TEST(QkTabsWindow, PaintsTheStripOnScreenBeforeTheEventAndOnlyOnChange)
{
    TStripHost host({"插件清除", "启动项目", "其他"});
    host.Show();
    const int W = host.tabs.TabWidth();
    ASSERT_GT(W, 20);
    TDibCanvas screen(300, 22), expected(300, 22);
    screen.CopyFromWindow(host.tabs.Handle());
    expected.Paint(host.tabs);
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 300; ++x) ASSERT_EQ(screen.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
    }

    TPaintCounter paints(host.tabs.Handle());
    std::vector<int> paintsAtEvent;
    host.tabs.OnTabActive = [&](zv::TObject*, int) { paintsAtEvent.push_back(paints.count); };
    // The selected tab clicked again, and ignored writes: no repaint, no event.
    host.Press(W / 2, 10);
    host.Press(W / 2, 10, WM_LBUTTONDBLCLK);
    host.tabs.set_tabindex(3);
    zvtest::PumpMessages();
    EXPECT_EQ(paints.count, 0);
    EXPECT_TRUE(paintsAtEvent.empty());

    // Another tab is on screen before the handler runs, without a message loop.
    host.Press(W + W / 2, 10);
    EXPECT_EQ(paintsAtEvent, std::vector<int>{1});
    screen.CopyFromWindow(host.tabs.Handle());
    EXPECT_EQ(screen.Pixel(2 * W, 5), kSelectedRow5);
    EXPECT_NE(screen.Pixel(6, 5), kSelectedRow5);

    host.tabs.set_tabs({"一", "二"});
    EXPECT_EQ(paints.count, 2);
    EXPECT_EQ(paintsAtEvent.size(), 1u);
}

TEST(QkTabsWindow, ButtonDownSelectsByUnshiftedRectangles)
{
    TStripHost host({"插件清除", "启动项目"});
    // Before the first paint the tab width is 0 and nothing can be hit.
    host.tabs.set_tabindex(1);
    host.events.clear();
    ASSERT_EQ(host.tabs.TabWidth(), 0);
    for (int x : {0, 5, 40, 100}) host.Press(x, 10);
    EXPECT_TRUE(host.events.empty());

    host.Show();
    const int W = host.tabs.TabWidth();
    ASSERT_GT(W, 20);
    // The two top rows select nothing, the third does.
    host.Press(W / 2, 0);
    host.Press(W / 2, 1);
    EXPECT_TRUE(host.events.empty());
    host.Press(W / 2, 2);
    // Left of the first painted tab hits it; a tab's 3 rightmost painted columns hit the next.
    for (int offset = 0; offset < 3; ++offset) {
        host.Press(W + offset, 21);
        host.Press(offset, 21);
    }
    EXPECT_EQ(host.events, (std::vector<int>{0, 1, 0, 1, 0, 1, 0}));

    // Past the last tab's hit rectangle and below the strip: nothing.
    host.events.clear();
    for (int x = 2 * W; x < 2 * W + 3; ++x) host.Press(x, 10);
    host.Press(2 * W - 1, 22);
    EXPECT_TRUE(host.events.empty());

    // Any button, double clicks included, with any modifier keys.
    const std::pair<UINT, WPARAM> presses[] = {
        {WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT},
        {WM_MBUTTONDOWN, MK_MBUTTON | MK_CONTROL},
        {WM_LBUTTONDBLCLK, MK_LBUTTON},
        {WM_RBUTTONDBLCLK, MK_RBUTTON},
        {WM_MBUTTONDBLCLK, MK_MBUTTON},
        {WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON1, XBUTTON1)},
        {WM_XBUTTONDBLCLK, MAKEWPARAM(MK_XBUTTON2, XBUTTON2)},
    };
    for (const auto& [msg, keys] : presses) {
        const int target = 1 - host.tabs.tabindex();
        host.Press(target * W + W / 2, 10, msg, keys);
        EXPECT_EQ(host.tabs.tabindex(), target) << "message " << msg;
    }

    // Keys do nothing, and the strip is no tab stop.
    const int before = host.tabs.tabindex();
    for (WPARAM key : {VK_RIGHT, VK_LEFT, VK_TAB, VK_HOME}) SendMessageA(host.tabs.Handle(), WM_KEYDOWN, key, 0);
    EXPECT_EQ(host.tabs.tabindex(), before);
    EXPECT_EQ(GetWindowLongPtrA(host.tabs.Handle(), GWL_STYLE) & WS_TABSTOP, 0);
}

TEST(QkTabsWindow, MainWindowSwitchesPages)
{
    zv::Tfm_main f;
    zvtest::TMessageRecorder recorder(f);
    f.CreateForm(true);
    ShowWindow(f.Handle(), SW_SHOWNOACTIVATE);
    UpdateWindow(f.Handle());
    zvtest::PumpMessages();
    const int W = f.QkTabs1.TabWidth();
    ASSERT_GT(W, 20);
    TDibCanvas screen(W, 22);
    screen.CopyFromWindow(f.QkTabs1.Handle());
    EXPECT_EQ(screen.Pixel(6, 5), kSelectedRow5);

    SendMessageA(f.QkTabs1.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(W + W / 2, 11));
    EXPECT_EQ(f.QkTabs1.tabindex(), 1);
    EXPECT_TRUE(IsWindowVisible(f.panel_start.Handle()));
    EXPECT_FALSE(IsWindowVisible(f.panel_chajian.Handle()));

    SendMessageA(f.QkTabs1.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(W / 2, 11));
    EXPECT_EQ(f.QkTabs1.tabindex(), 0);
    EXPECT_TRUE(IsWindowVisible(f.panel_chajian.Handle()));
    EXPECT_FALSE(IsWindowVisible(f.panel_start.Handle()));
}

}  // namespace

#include "ui/QkTabs.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {

constexpr char kClassName[] = "TQkTabs";
constexpr COLORREF kEdge = RGB(20, 20, 20);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// Tabs start this far from the strip's left edge; hit testing does not know about it.
constexpr int kTabsLeft = 3;
constexpr int kTabsTop = 2;
// Room a caption gets beside its text.
constexpr int kCaptionMargin = 20;
// Below this height the gradient divides by zero or leaves the range of a colour byte.
constexpr int kMinTabHeight = 8;

// BeginPaint and EndPaint for one WM_PAINT, on every path.
class TPaintScope {
public:
    explicit TPaintScope(HWND hwnd) : m_hwnd(hwnd), m_dc(BeginPaint(hwnd, &m_ps)) {}
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;
    ~TPaintScope() { EndPaint(m_hwnd, &m_ps); }
    HDC dc() const { return m_dc; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// Floored, then cut to its low byte, so that any row gives some colour; the heights where
// the formulas leave 0..255 draw no tabs.
BYTE ColourByte(double value) { return static_cast<BYTE>(static_cast<long long>(std::floor(value)) & 0xFF); }

COLORREF GradientColour(int y, int divisor, bool selected)
{
    const double d = divisor;
    if (selected) return RGB(255, ColourByte(245 - 26.0 * y / d), ColourByte(207 - 91.0 * y / d));
    return RGB(ColourByte(217 - 61.0 * y / d), ColourByte(227 - 46.0 * y / d), ColourByte(246 - 14.0 * y / d));
}

// The toolkit's default canvas font, which the strip has always measured and drawn in,
// whatever font its window was given.
TFont CanvasFont(HDC dc)
{
    return TFont(CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
}

}  // namespace

TQkTabs::TQkTabs(TControl* parent) : TControl(parent) {}

void TQkTabs::set_tabs(const std::vector<std::string>& list)
{
    m_tabs = list;
    m_index = 0;
    Repaint();
}

void TQkTabs::set_tabindex(int value)
{
    if (value >= static_cast<int>(m_tabs.size()) || value == m_index) return;
    m_index = value;
    // The host sees the new tab drawn before it switches its pages.
    Repaint();
    if (OnTabActive) FireEvent([&] { OnTabActive(this, value); });
}

void TQkTabs::Repaint()
{
    if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TQkTabs::PaintTo(HDC dc, int width, int height)
{
    const RECT all{0, 0, width, height};
    const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &all, face);

    TFont font = CanvasFont(dc);
    TSelectObject selectFont(dc, font.get());
    int widest = 0;
    for (const std::string& caption : m_tabs) {
        SIZE extent{};
        GetTextExtentPoint32A(dc, caption.data(), static_cast<int>(caption.size()), &extent);
        widest = std::max(widest, static_cast<int>(extent.cx));
    }
    m_tabWidth = widest + kCaptionMargin;
    if (height < kMinTabHeight) return;

    TSelectObject selectPen(dc, GetStockObject(DC_PEN));
    SetTextColor(dc, kBlack);
    const int count = static_cast<int>(m_tabs.size());
    auto tabRect = [&](int i) {
        return RECT{i * m_tabWidth + kTabsLeft, kTabsTop, (i + 1) * m_tabWidth + kTabsLeft, height};
    };
    for (int i = 0; i < count; ++i) DrawTab(i, dc, tabRect(i), i == m_index, m_tabs[i]);
    // Drawn once more so that it lies above both neighbours where they overlap. An index left
    // past the end by shortening the list shows no tab selected.
    if (m_index >= 0 && m_index < count) DrawTab(m_index, dc, tabRect(m_index), true, m_tabs[m_index]);
}

void TQkTabs::DrawTab(int Index, HDC Canvas, const RECT& Rect, bool Selected, const std::string& Caption)
{
    const int L = Rect.left, T = Rect.top, R = Rect.right, B = Rect.bottom;
    const int divisor = B - T - 2;
    // Rows run to B inclusive; the last lies below the canvas and is clipped. The gradient is
    // a function of the absolute row, not of the row inside the tab.
    for (int y = T + 2; y <= B; ++y) {
        SetDCPenColor(Canvas, y == T + 2 ? kBlack : GradientColour(y, divisor, Selected));
        int x1 = Index > 0 ? L + T + 7 - y : L;
        int x2 = R;
        if (y == T + 2) {
            x1 += 2;
            x2 -= 2;
        } else if (y == T + 3) {
            x1 += 1;
            x2 -= 1;
        }
        MoveToEx(Canvas, x1, y, nullptr);
        LineTo(Canvas, x2, y);
        SetPixelV(Canvas, x1, y, kEdge);
        SetPixelV(Canvas, x2, y, kEdge);
        if (Index != 0 && (y == T + 3 || y == T + 4)) SetPixelV(Canvas, x1 + 1, y, kEdge);
    }
    RECT text{L, T + 2, R, B};
    SetBkMode(Canvas, TRANSPARENT);
    DrawTextA(Canvas, Caption.data(), static_cast<int>(Caption.size()), &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void TQkTabs::PaintWindow()
{
    TPaintScope paint(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    // A fresh bitmap on every paint, copied in one block: the screen never shows a half-drawn strip.
    TMemoryDC memory(CreateCompatibleDC(paint.dc()));
    TBitmap bitmap(CreateCompatibleBitmap(paint.dc(), client.right, client.bottom));
    if (!memory || !bitmap) return;
    TSelectObject selectBitmap(memory.get(), bitmap.get());
    PaintTo(memory.get(), client.right, client.bottom);
    BitBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

void TQkTabs::MouseDown(int x, int y)
{
    RECT client;
    GetClientRect(Handle(), &client);
    const POINT at{x, y};
    // The hit rectangles lack the paint's 3-pixel offset and ignore the slanted edges.
    for (int i = 0; i < static_cast<int>(m_tabs.size()); ++i) {
        const RECT hit{i * m_tabWidth, kTabsTop, (i + 1) * m_tabWidth, client.bottom};
        if (PtInRect(&hit, at)) {
            set_tabindex(i);
            return;
        }
    }
}

LRESULT CALLBACK TQkTabs::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = static_cast<TQkTabs*>(FromHandle(hwnd));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_PAINT:
        self->PaintWindow();
        return 0;
    case WM_ERASEBKGND:
        // The paint covers every pixel; erasing first would only flicker.
        return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        self->MouseDown(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        self->MouseDown(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return TRUE;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

HWND TQkTabs::CreateWnd(HWND parentWnd)
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        // A double click is a second button-down to the strip.
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc);
    }();
    if (!atom) return nullptr;
    const RECT b = BoundsRect();
    return CreateWindowExA(0, kClassName, "", WS_CHILD | WS_CLIPSIBLINGS | (Visible() ? WS_VISIBLE : 0), b.left, b.top,
                           Width(), Height(), parentWnd, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace zv

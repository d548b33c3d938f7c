#include "ui/QkTabs.h"

namespace zv {

TQkTabs::TQkTabs(TControl* parent) : TControl(parent) {}

void TQkTabs::set_tabs(const std::vector<std::string>& list)
{
    m_tabs = list;
    m_index = 0;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TQkTabs::set_tabindex(int value)
{
    if (value >= static_cast<int>(m_tabs.size()) || value == m_index) return;
    m_index = value;
    if (HandleAllocated()) {
        InvalidateRect(Handle(), nullptr, TRUE);
        UpdateWindow(Handle());
    }
    if (OnTabActive) FireEvent([&] { OnTabActive(this, value); });
}

void TQkTabs::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    const int width = 80;
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        RECT tab{static_cast<LONG>(i * width + 3), 2, static_cast<LONG>((i + 1) * width + 3), r.bottom};
        if (static_cast<int>(i) == m_index) FillRect(dc, &tab, GetSysColorBrush(COLOR_WINDOW));
        DrawTextA(dc, m_tabs[i].c_str(), -1, &tab, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

LRESULT CALLBACK TQkTabs::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = static_cast<TQkTabs*>(FromHandle(hwnd));
    if (self && msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        self->Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (self && msg == WM_LBUTTONDOWN) {
        const int x = static_cast<short>(LOWORD(lp));
        self->set_tabindex(x / 80);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND TQkTabs::CreateWnd(HWND parentWnd)
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = "TQkTabs";
        return RegisterClassA(&wc);
    }();
    if (!atom) return nullptr;
    RECT b = BoundsRect();
    return CreateWindowExA(0, "TQkTabs", "", WS_CHILD | WS_CLIPSIBLINGS | (Visible() ? WS_VISIBLE : 0), b.left, b.top,
                           Width(), Height(), parentWnd, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace zv

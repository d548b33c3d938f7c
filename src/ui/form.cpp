#include "ui/form.h"

#include "ui/application.h"

namespace zv {

TForm::TForm() : TControl(nullptr) {}

TForm::~TForm()
{
    // A derived form is gone by now: its destroy handler must not run.
    OnDestroy = nullptr;
    OnResize = nullptr;
    DestroyHandle();
}

void TForm::DestroyHandle()
{
    if (HandleAllocated()) DestroyWindow(Handle());
}

void TForm::SetFont(const std::string& face, int height, BYTE charset)
{
    LOGFONTA lf{};
    lf.lfHeight = -height;  // character height, internal leading excluded
    lf.lfCharSet = charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    m_font.reset(CreateFontIndirectA(&lf));
}

RECT TForm::ClientRect() const
{
    if (HandleAllocated()) {
        RECT r;
        GetClientRect(Handle(), &r);
        return r;
    }
    return RECT{0, 0, DesignClient.cx, DesignClient.cy};
}

std::string TForm::HintAt(POINT screen) const
{
    HWND hwnd = WindowFromPoint(screen);
    // Disabled controls do not take the pointer; their containers would, so look deeper.
    if (hwnd) {
        POINT client = screen;
        ScreenToClient(hwnd, &client);
        if (HWND child = ChildWindowFromPointEx(hwnd, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT)) {
            hwnd = child;
        }
    }
    for (; hwnd; hwnd = GetParent(hwnd)) {
        if (TControl* c = FromHandle(hwnd)) {
            // Only our own windows count; a window of another program shows no hint.
            for (const TControl* up = c; up; up = up->Parent()) {
                if (up == this) return c->EffectiveHint();
            }
            return {};
        }
    }
    return {};
}

void TForm::UpdateHintFromCursor()
{
    if (!HintBar || m_inMenu || !HandleAllocated()) return;
    POINT p;
    if (!GetCursorPos(&p)) return;
    HintBar->SetPanelText(HintAt(p));
}

TMenuItem* TForm::FindMenuItem(UINT command) const
{
    std::vector<TMenuItem*> pending(Menu.begin(), Menu.end());
    while (!pending.empty()) {
        TMenuItem* item = pending.back();
        pending.pop_back();
        if (item->Command == command) return item;
        pending.insert(pending.end(), item->Items.begin(), item->Items.end());
    }
    return nullptr;
}

void TForm::MenuItemHighlighted(UINT command)
{
    if (!HintBar) return;
    TMenuItem* item = FindMenuItem(command);
    HintBar->SetPanelText(item ? item->Hint : std::string());
}

void TForm::ClickMenuItem(UINT command)
{
    if (TMenuItem* item = FindMenuItem(command)) FireEvent(item->OnClick);
}

HMENU TForm::BuildMenu(const std::vector<TMenuItem*>& items, bool bar)
{
    HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
    for (TMenuItem* item : items) {
        if (item->Command == 0) item->Command = m_nextCommand++;
        if (item->Caption == "-") {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!item->Items.empty()) {
            AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(BuildMenu(item->Items, false)),
                        item->Caption.c_str());
        } else {
            AppendMenuA(menu, MF_STRING, item->Command, item->Caption.c_str());
        }
    }
    return menu;
}

HWND TForm::CreateWnd(HWND)
{
    const std::string className = WindowClassName;
    WNDCLASSA existing{};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), className.c_str(), &existing)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = className.c_str();
        if (!RegisterClassA(&wc)) return nullptr;
    }
    if (!Menu.empty()) m_menu.reset(BuildMenu(Menu, true));
    RECT b = BoundsRect();
    HWND h = CreateWindowExA(WS_EX_CONTROLPARENT, className.c_str(), Caption().c_str(), Style, b.left, b.top,
                             Width(), Height(), nullptr, m_menu.get(), GetModuleHandleA(nullptr), this);
    // The window owns the menu from now on and destroys it with itself.
    if (h) m_menu.release();
    return h;
}

LRESULT CALLBACK TForm::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        form->AttachHandle(hwnd);
    }
    auto* form = static_cast<TForm*>(FromHandle(hwnd));
    if (!form) return DefWindowProcA(hwnd, msg, wp, lp);
    return form->HandleMessage(msg, wp, lp);
}

LRESULT TForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT routed = 0;
    if (RouteChildMessage(msg, wp, lp, routed)) return routed;
    switch (msg) {
    case WM_COMMAND:
        if (lp == 0 && HIWORD(wp) == 0) {
            ClickMenuItem(LOWORD(wp));
            return 0;
        }
        break;
    case WM_ENTERMENULOOP:
        m_inMenu = true;
        break;
    case WM_EXITMENULOOP:
        m_inMenu = false;
        break;
    case WM_MENUSELECT:
        if (HIWORD(wp) == 0xFFFF && lp == 0) break;  // the menu closed
        if (HIWORD(wp) & MF_POPUP) {
            if (HintBar) HintBar->SetPanelText({});
        } else {
            MenuItemHighlighted(LOWORD(wp));
        }
        return 0;
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) {
            Realign();
            if (OnResize) FireEvent(OnResize);
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        if (OnDestroy) FireEvent(OnDestroy);
        if (Application.MainForm == this) PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        HWND h = Handle();
        ReleaseHandles();
        return DefWindowProcA(h, msg, wp, lp);
    }
    default:
        break;
    }
    return DefWindowProcA(Handle(), msg, wp, lp);
}

}  // namespace zv

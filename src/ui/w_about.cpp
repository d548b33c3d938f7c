#include "ui/w_about.h"

#include <algorithm>

#include "platform/shell_api.h"
#include "../../res/resource.h"

namespace zv {

namespace {

constexpr DWORD kAboutStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kAboutExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr char kFontFace[] = "宋体";
constexpr int kFontHeight = 12;
constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr COLORREF kLinkHotColor = RGB(255, 0, 0);

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

ATOM RegisterWindowClass(const char* name, WNDPROC proc, UINT style, HBRUSH background)
{
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassA(&wc);
}

// The controls paint their whole client area themselves.
ATOM RegisterControlClass(const char* name, WNDPROC proc)
{
    return RegisterWindowClass(name, proc, CS_HREDRAW | CS_VREDRAW, nullptr);
}

HWND CreateChild(const char* className, const TControl& control, HWND parentWnd)
{
    const RECT b = control.BoundsRect();
    return CreateWindowExA(0, className, control.Caption().c_str(),
                           WS_CHILD | (control.Visible() ? WS_VISIBLE : 0), b.left, b.top, control.Width(),
                           control.Height(), parentWnd, nullptr, Instance(), nullptr);
}

// The window procedure's painting, for WM_PAINT and for WM_PRINTCLIENT alike.
template <class TPaintFn>
LRESULT PaintMessage(HWND hwnd, UINT msg, WPARAM wp, TPaintFn paint)
{
    if (msg == WM_PRINTCLIENT) {
        paint(reinterpret_cast<HDC>(wp));
        return 0;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    paint(dc);
    EndPaint(hwnd, &ps);
    return 0;
}

}  // namespace

// Label ---------------------------------------------------------------------------------------

TPaintedLabel::TPaintedLabel(TControl* parent) : TControl(parent), m_color(GetSysColor(COLOR_WINDOWTEXT))
{
    RebuildFont();
}

void TPaintedLabel::SetCaption(const std::string& caption)
{
    TControl::SetCaption(caption);
    AdjustSize();
}

void TPaintedLabel::SetFont(const std::string& face, int height, BYTE charset)
{
    m_face = face;
    m_height = height;
    m_charset = charset;
    RebuildFont();
}

void TPaintedLabel::SetFontColor(COLORREF color)
{
    m_color = color;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TPaintedLabel::SetFontStyle(unsigned style)
{
    m_style = style;
    RebuildFont();
}

void TPaintedLabel::RebuildFont()
{
    LOGFONTA lf{};
    lf.lfHeight = -m_height;  // character height, internal leading excluded
    lf.lfWeight = (m_style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (m_style & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (m_style & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (m_style & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = m_charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(lf.lfFaceName, m_face.c_str(), LF_FACESIZE);
    m_font.reset(CreateFontIndirectA(&lf));
    AdjustSize();
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TPaintedLabel::AdjustSize()
{
    TMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc) return;
    TSelectObject font(dc.get(), m_font ? m_font.get() : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    const std::string& text = Caption();
    if (!GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent)) return;
    const RECT b = BoundsRect();
    SetBounds(b.left, b.top, extent.cx, extent.cy);
}

void TPaintedLabel::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    TSelectObject font(dc, m_font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, m_color);
    const std::string& text = Caption();
    TextOutA(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
}

HWND TPaintedLabel::CreateWnd(HWND parentWnd)
{
    static const ATOM atom = RegisterControlClass("TZvLabel", WndProc);
    if (!atom) return nullptr;
    AdjustSize();
    return CreateChild("TZvLabel", *this, parentWnd);
}

LRESULT CALLBACK TPaintedLabel::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* label = dynamic_cast<TPaintedLabel*>(FromHandle(hwnd));
    return label ? label->HandleMessage(msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT TPaintedLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    const HWND hwnd = Handle();
    switch (msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintMessage(hwnd, msg, wp, [this](HDC dc) { Paint(dc); });
    case WM_ERASEBKGND:
        return 1;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font.get());
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT && Cursor) {
            SetCursor(Cursor);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        if (!m_mouseInside) {
            m_mouseInside = true;
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&track);
            FireEvent(OnMouseEnter);
        }
        return 0;
    case WM_MOUSELEAVE:
        m_mouseInside = false;
        FireEvent(OnMouseLeave);
        return 0;
    case WM_LBUTTONDOWN:
        m_pressed = true;
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP:
        if (m_pressed) {
            m_pressed = false;
            ReleaseCapture();
            RECT r;
            GetClientRect(hwnd, &r);
            const POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            // Released elsewhere, the press is taken back, as with a button.
            if (PtInRect(&r, p)) FireEvent(OnClick);
        }
        return 0;
    case WM_CAPTURECHANGED:
        m_pressed = false;
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Image ---------------------------------------------------------------------------------------

TIconImage::TIconImage(TControl* parent) : TControl(parent) {}

void TIconImage::SetPicture(TIcon icon)
{
    m_icon = std::move(icon);
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TIconImage::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    // A width and height of 0 without DI_DEFAULTSIZE draw the icon at its own size.
    if (m_icon) DrawIconEx(dc, 0, 0, m_icon.get(), 0, 0, 0, nullptr, DI_NORMAL);
}

HWND TIconImage::CreateWnd(HWND parentWnd)
{
    static const ATOM atom = RegisterControlClass("TZvImage", WndProc);
    if (!atom) return nullptr;
    return CreateChild("TZvImage", *this, parentWnd);
}

LRESULT CALLBACK TIconImage::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* image = dynamic_cast<TIconImage*>(FromHandle(hwnd));
    if (!image) return DefWindowProcA(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintMessage(hwnd, msg, wp, [image](HDC dc) { image->Paint(dc); });
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

// About box -----------------------------------------------------------------------------------

Tfm_about::Tfm_about(TForm* owner) : m_owner(owner)
{
    LayOut();
    WireEvents();
    FireEvent([this] { FormCreate(this); });
}

Tfm_about::~Tfm_about()
{
    // The window goes while its controls still exist.
    DestroyHandle();
}

void Tfm_about::LayOut()
{
    SetCaption("关于");
    SetFont(kFontFace, kFontHeight, GB2312_CHARSET);
    DesignClient = SIZE{385, 157};
    RECT frame{0, 0, DesignClient.cx, DesignClient.cy};
    AdjustWindowRectEx(&frame, kAboutStyle, FALSE, kAboutExStyle);
    SetBounds(0, 0, frame.right - frame.left, frame.bottom - frame.top);

    Image1.SetBounds(24, 16, 41, 41);
    Image1.SetPicture(TIcon(static_cast<HICON>(
        LoadImageA(Instance(), MAKEINTRESOURCEA(IDI_ZORVANE), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE))));

    struct TLabelLayout {
        TPaintedLabel& label;
        int left, top;
        const char* caption;
    };
    for (const TLabelLayout& l : {
             TLabelLayout{lb_title, 88, 16, ""},
             TLabelLayout{lb_date, 88, 40, ""},
             TLabelLayout{Label2, 88, 64, "本软件为免费软件，欢迎使用和传播。"},
             TLabelLayout{Label3, 88, 88, "网址："},
             TLabelLayout{lb_url, 128, 88, MakerSiteUrl},
         }) {
        l.label.SetBounds(l.left, l.top, 0, 0);
        l.label.SetFont(kFontFace, kFontHeight, GB2312_CHARSET);
        l.label.SetCaption(l.caption);
    }
    lb_title.SetFontStyle(fsBold);
    lb_url.SetFontColor(kLinkColor);
    lb_url.Cursor = LoadCursor(nullptr, IDC_HAND);

    suiButton1.SetBounds(298, 16, 65, 22);
    suiButton1.SetCaption("确定");
    suiButton1.TabOrder = 0;
}

void Tfm_about::WireEvents()
{
    lb_url.OnClick = [this] { lb_urlClick(&lb_url); };
    lb_url.OnMouseEnter = [this] { lb_urlMouseEnter(&lb_url); };
    lb_url.OnMouseLeave = [this] { lb_urlMouseLeave(&lb_url); };
    suiButton1.OnClick = [this] { ModalResult = IDOK; };
}

void Tfm_about::FormCreate(TObject*)
{
    lb_title.SetCaption("Zorvane 1.7");
    lb_date.SetCaption("版本日期：2007-7-24");
}

void Tfm_about::lb_urlClick(TObject*)
{
    ShellApi().ShellExecute(nullptr, "open", MakerSiteUrl, "", "", SW_SHOW);
}

void Tfm_about::lb_urlMouseEnter(TObject* Sender)
{
    if (auto* label = dynamic_cast<TPaintedLabel*>(Sender)) {
        label->SetFontColor(kLinkHotColor);
        label->SetFontStyle(fsUnderline);
    }
}

void Tfm_about::lb_urlMouseLeave(TObject* Sender)
{
    if (auto* label = dynamic_cast<TPaintedLabel*>(Sender)) {
        label->SetFontColor(kLinkColor);
        label->SetFontStyle(label->FontStyle() & ~fsUnderline);
    }
}

void Tfm_about::PlaceOverOwner()
{
    const HWND owner = m_owner ? m_owner->Handle() : nullptr;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT work = monitor.rcWork;
    RECT over = work;
    if (owner) GetWindowRect(owner, &over);
    int left = over.left + (over.right - over.left - Width()) / 2;
    int top = over.top + (over.bottom - over.top - Height()) / 2;
    // A box without a close box must never open out of reach, whatever the owner's place.
    left = std::max<int>(work.left, std::min<int>(left, work.right - Width()));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - Height()));
    SetBounds(left, top, Width(), Height());
}

HWND Tfm_about::CreateWnd(HWND)
{
    static const ATOM atom =
        RegisterWindowClass("TZvAboutForm", WndProc, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (!atom) return nullptr;
    const RECT b = BoundsRect();
    return CreateWindowExA(kAboutExStyle, "TZvAboutForm", Caption().c_str(), kAboutStyle, b.left, b.top, Width(),
                           Height(), m_owner ? m_owner->Handle() : nullptr, nullptr, Instance(),
                           static_cast<TForm*>(this));
}

void Tfm_about::AfterCreateWnd()
{
    // As the dialog's default button under the OK identifier, the button is what the dialog
    // manager presses for the Enter key.
    if (!suiButton1.HandleAllocated()) return;
    SetWindowLongPtrA(suiButton1.Handle(), GWLP_ID, IDOK);
    SendMessageA(suiButton1.Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
}

LRESULT Tfm_about::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_COMMAND:
        // No menu and no accelerators: a command from no control is the dialog manager's
        // Escape (IDCANCEL), which nothing in this box answers.
        if (lp == 0) return 0;
        break;
    case WM_SETFOCUS:
        // The button is the only control that takes the focus.
        if (suiButton1.HandleAllocated()) SetFocus(suiButton1.Handle());
        return 0;
    case WM_CLOSE:
        // Closing ends the showing; the owner of this object destroys the window.
        ModalResult = IDCANCEL;
        return 0;
    default:
        break;
    }
    return TForm::HandleMessage(msg, wp, lp);
}

int Tfm_about::ShowModal()
{
    PlaceOverOwner();
    CreateHandles();
    if (!HandleAllocated()) return IDCANCEL;
    const HWND owner = GetWindow(Handle(), GW_OWNER);
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(Handle(), SW_SHOW);
    SetFocus(suiButton1.Handle());

    ModalResult = 0;
    MSG msg;
    while (ModalResult == 0 && HandleAllocated()) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the quit request is left for the main loop to see.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            ModalResult = IDCANCEL;
            break;
        }
        if (!IsDialogMessageA(Handle(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // The owner takes input again before the box goes, so the system activates it next.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    return ModalResult ? ModalResult : IDCANCEL;
}

}  // namespace zv

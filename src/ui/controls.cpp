#include "ui/controls.h"

#include <algorithm>
#include <unordered_map>

#include "ui/application.h"

namespace zv {

namespace {

std::unordered_map<HWND, TControl*>& HandleMap()
{
    static std::unordered_map<HWND, TControl*> map;
    return map;
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

}  // namespace

void FireEvent(const std::function<void()>& handler)
{
    if (!handler) return;
    try {
        handler();
    } catch (const std::exception& e) {
        Application.ShowException(e.what());
    } catch (...) {
        Application.ShowException("Unexpected error");
    }
}

TControl::TControl(TControl* parent) : m_parent(parent)
{
    if (m_parent) m_parent->m_children.push_back(this);
}

TControl::~TControl()
{
    if (m_hwnd) HandleMap().erase(m_hwnd);
    if (m_parent) std::erase(m_parent->m_children, this);
}

std::string TControl::EffectiveHint() const
{
    for (const TControl* c = this; c; c = c->m_parent) {
        if (!c->m_hint.empty()) return c->m_hint;
    }
    return {};
}

void TControl::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    if (m_hwnd) EnableWindow(m_hwnd, enabled);
}

void TControl::SetVisible(bool visible)
{
    m_visible = visible;
    if (m_hwnd) ShowWindow(m_hwnd, visible ? SW_SHOW : SW_HIDE);
}

void TControl::SetCaption(const std::string& caption)
{
    m_caption = caption;
    if (m_hwnd) SetWindowTextA(m_hwnd, caption.c_str());
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    m_bounds = RECT{left, top, left + width, top + height};
    if (m_hwnd && m_parent) MoveWindow(m_hwnd, left, top, width, height, TRUE);
    Realign();
}

RECT TControl::ClientRect() const
{
    return RECT{BorderWidth, BorderWidth, Width() - BorderWidth, Height() - BorderWidth};
}

void TControl::Realign()
{
    RECT r = ClientRect();
    for (TAlign pass : {TAlign::Top, TAlign::Bottom, TAlign::Left, TAlign::Right, TAlign::Client}) {
        for (TControl* c : m_children) {
            if (c->Align != pass) continue;
            const int w = r.right - r.left, h = r.bottom - r.top;
            switch (pass) {
            case TAlign::Top:
                c->SetBounds(r.left, r.top, w, c->Height());
                r.top += c->Height();
                break;
            case TAlign::Bottom:
                c->SetBounds(r.left, r.bottom - c->Height(), w, c->Height());
                r.bottom -= c->Height();
                break;
            case TAlign::Left:
                c->SetBounds(r.left, r.top, c->Width(), h);
                r.left += c->Width();
                break;
            case TAlign::Right:
                c->SetBounds(r.right - c->Width(), r.top, c->Width(), h);
                r.right -= c->Width();
                break;
            default:
                c->SetBounds(r.left, r.top, std::max(0, w), std::max(0, h));
                break;
            }
        }
    }
}

void TControl::BringToFront()
{
    if (m_parent) {
        auto& siblings = m_parent->m_children;
        std::erase(siblings, this);
        siblings.insert(siblings.begin(), this);
    }
    if (m_hwnd) SetWindowPos(m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TControl::IsInFront() const
{
    return !m_parent || m_parent->m_children.front() == this;
}

void TControl::AttachHandle(HWND hwnd)
{
    m_hwnd = hwnd;
    if (hwnd) HandleMap()[hwnd] = this;
}

TControl* TControl::FromHandle(HWND hwnd)
{
    auto it = HandleMap().find(hwnd);
    return it == HandleMap().end() ? nullptr : it->second;
}

void TControl::CreateHandles()
{
    if (!m_hwnd) {
        AttachHandle(CreateWnd(m_parent ? m_parent->Handle() : nullptr));
        if (!m_hwnd) return;
        if (HFONT font = ControlFont()) SendMessageA(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (!m_enabled) EnableWindow(m_hwnd, FALSE);
    }
    // Windows created later go below earlier siblings, which is the order Tab follows.
    std::vector<TControl*> ordered = m_children;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TControl* a, const TControl* b) { return a->TabOrder < b->TabOrder; });
    for (TControl* c : ordered) c->CreateHandles();
    AfterCreateWnd();
}

void TControl::ReleaseHandles()
{
    for (TControl* c : m_children) c->ReleaseHandles();
    if (m_hwnd) HandleMap().erase(m_hwnd);
    m_hwnd = nullptr;
}

bool RouteChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    if (msg == WM_COMMAND && lp) {
        if (TControl* c = TControl::FromHandle(reinterpret_cast<HWND>(lp))) {
            result = 0;
            return c->HandleCommand(HIWORD(wp));
        }
    } else if (msg == WM_NOTIFY && lp) {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (TControl* c = TControl::FromHandle(header->hwndFrom)) return c->HandleNotify(header, result);
    }
    return false;
}

// Panel ---------------------------------------------------------------------------------------

TPanel::TPanel(TControl* parent, TBevel inner, TBevel outer) : TControl(parent), BevelInner(inner), BevelOuter(outer)
{
    BorderWidth = (inner != bvNone ? 1 : 0) + (outer != bvNone ? 1 : 0);
}

LRESULT CALLBACK TPanel::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT routed = 0;
    if (RouteChildMessage(msg, wp, lp, routed)) return routed;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (auto* panel = static_cast<TPanel*>(FromHandle(hwnd))) {
            RECT r;
            GetClientRect(hwnd, &r);
            for (TBevel bevel : {panel->BevelOuter, panel->BevelInner}) {
                if (bevel == bvNone) continue;
                DrawEdge(dc, &r, bevel == bvRaised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER, BF_RECT);
                InflateRect(&r, -1, -1);
            }
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND TPanel::CreateWnd(HWND parentWnd)
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = Instance();
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "TZvPanel";
        return RegisterClassA(&wc);
    }();
    if (!atom) return nullptr;
    RECT b = BoundsRect();
    return CreateWindowExA(WS_EX_CONTROLPARENT, "TZvPanel", "",
                           WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (Visible() ? WS_VISIBLE : 0), b.left,
                           b.top, Width(), Height(), parentWnd, nullptr, Instance(), nullptr);
}

// Button --------------------------------------------------------------------------------------

TButton::TButton(TControl* parent) : TControl(parent) { TabStop = true; }

void TButton::Click() { FireEvent(OnClick); }

bool TButton::HandleCommand(WORD code)
{
    if (code != BN_CLICKED) return false;
    Click();
    return true;
}

HWND TButton::CreateWnd(HWND parentWnd)
{
    RECT b = BoundsRect();
    return CreateWindowExA(0, "BUTTON", Caption().c_str(),
                           WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (Visible() ? WS_VISIBLE : 0), b.left, b.top,
                           Width(), Height(), parentWnd, nullptr, Instance(), nullptr);
}

// Status bar ----------------------------------------------------------------------------------

TStatusBar::TStatusBar(TControl* parent) : TControl(parent) {}

void TStatusBar::SetPanelText(const std::string& text)
{
    if (text == m_text) return;
    m_text = text;
    if (HandleAllocated()) SendMessageA(Handle(), SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(m_text.c_str()));
}

HWND TStatusBar::CreateWnd(HWND parentWnd)
{
    RECT b = BoundsRect();
    HWND h = CreateWindowExA(0, STATUSCLASSNAMEA, "",
                             WS_CHILD | WS_CLIPSIBLINGS | SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN |
                                 (Visible() ? WS_VISIBLE : 0),
                             b.left, b.top, Width(), Height(), parentWnd, nullptr, Instance(), nullptr);
    if (h) {
        // As in a VCL status bar, the last panel runs to the right edge whatever its width.
        int edges[] = {-1};
        SendMessageA(h, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(edges));
        SendMessageA(h, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(m_text.c_str()));
    }
    return h;
}

// Header --------------------------------------------------------------------------------------

THeaderControl::THeaderControl(TControl* parent) : TControl(parent) {}

void THeaderControl::UpdateLefts()
{
    int left = 0;
    for (auto& s : m_sections) {
        s.Left = left;
        left += s.Width;
    }
}

void THeaderControl::AddSection(const std::string& text, int width, int minWidth)
{
    THeaderSection s;
    s.Text = text;
    s.Width = width;
    s.MinWidth = minWidth;
    m_sections.push_back(s);
    UpdateLefts();
}

void THeaderControl::SetSectionWidth(size_t i, int width)
{
    THeaderSection& s = m_sections[i];
    s.Width = std::clamp(width, s.MinWidth, s.MaxWidth);
    UpdateLefts();
    if (HandleAllocated()) {
        // The header reports a width the program sets as if the user had dragged it.
        m_settingWidth = true;
        HDITEMA item{};
        item.mask = HDI_WIDTH;
        item.cxy = s.Width;
        SendMessageA(Handle(), HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
        m_settingWidth = false;
    }
}

bool THeaderControl::HandleNotify(NMHDR* header, LRESULT& result)
{
    if (header->code != HDN_ITEMCHANGINGA && header->code != HDN_ITEMCHANGINGW &&
        header->code != HDN_ITEMCHANGEDA && header->code != HDN_ITEMCHANGEDW) {
        return false;
    }
    auto* nm = reinterpret_cast<NMHEADERA*>(header);
    result = 0;
    if (m_settingWidth || !nm->pitem || !(nm->pitem->mask & HDI_WIDTH) || nm->iItem < 0 ||
        static_cast<size_t>(nm->iItem) >= m_sections.size()) {
        return true;
    }
    THeaderSection& s = m_sections[nm->iItem];
    const bool changing = header->code == HDN_ITEMCHANGINGA || header->code == HDN_ITEMCHANGINGW;
    if (changing) {
        if (nm->pitem->cxy < s.MinWidth || nm->pitem->cxy > s.MaxWidth) {
            // Refuse this step and put the nearest allowed width in its place.
            result = TRUE;
            SetSectionWidth(nm->iItem, nm->pitem->cxy);
            if (OnSectionResize) FireEvent([&] { OnSectionResize(s); });
        }
        return true;
    }
    s.Width = nm->pitem->cxy;
    UpdateLefts();
    if (OnSectionResize) FireEvent([&] { OnSectionResize(s); });
    return true;
}

HWND THeaderControl::CreateWnd(HWND parentWnd)
{
    RECT b = BoundsRect();
    HWND h = CreateWindowExA(0, WC_HEADERA, "",
                             WS_CHILD | HDS_HORZ | HDS_FULLDRAG | HDS_FLAT | (Visible() ? WS_VISIBLE : 0), b.left,
                             b.top, Width(), Height(), parentWnd, nullptr, Instance(), nullptr);
    if (!h) return h;
    for (size_t i = 0; i < m_sections.size(); ++i) {
        HDITEMA item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.fmt = HDF_LEFT | HDF_STRING;
        item.cxy = m_sections[i].Width;
        item.pszText = const_cast<char*>(m_sections[i].Text.c_str());
        SendMessageA(h, HDM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    return h;
}

// Image list ----------------------------------------------------------------------------------

TImageList::TImageList(int width, int height)
    : m_width(width), m_height(height), m_list(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 8, 8))
{
}

int TImageList::Count() const { return m_list ? ImageList_GetImageCount(m_list.get()) : 0; }

int TImageList::AddIcon(HICON icon) { return m_list && icon ? ImageList_AddIcon(m_list.get(), icon) : -1; }

void TImageList::Delete(int index)
{
    if (m_list) ImageList_Remove(m_list.get(), index);
}

}  // namespace zv

// The about box: name, version, date and a link to the maker's web site, shown modally over
// the main window and made anew for each showing.
#pragma once
#include "ui/form.h"

namespace zv {

// The maker's web site; the link shows and opens exactly this text.
inline constexpr char MakerSiteUrl[] = "http://www.zorvane.example/";

// A label's font style flags, combined with |.
enum TFontStyle : unsigned { fsBold = 1u << 0, fsItalic = 1u << 1, fsUnderline = 1u << 2, fsStrikeOut = 1u << 3 };

// A one-line label that sizes itself to its text and paints it in its own font and colour,
// with the mouse events a link needs. It never takes the focus.
class TPaintedLabel : public TControl {
public:
    explicit TPaintedLabel(TControl* parent);

    // Hides TControl::SetCaption: a label also fits itself to its new text.
    void SetCaption(const std::string& caption);
    // Face, character height and character set; colour and style stay.
    void SetFont(const std::string& face, int height, BYTE charset);
    COLORREF FontColor() const { return m_color; }
    void SetFontColor(COLORREF color);
    unsigned FontStyle() const { return m_style; }
    void SetFontStyle(unsigned style);
    HFONT Font() const { return m_font.get(); }

    // The pointer over the label; the class's arrow when empty.
    HCURSOR Cursor = nullptr;
    // A press and release of the left button inside the label.
    std::function<void()> OnClick;
    // The pointer arriving over the label and leaving it.
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

protected:
    HWND CreateWnd(HWND parentWnd) override;
    HFONT ControlFont() const override { return m_font.get(); }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void Paint(HDC dc);
    void RebuildFont();
    void AdjustSize();

    std::string m_face;
    int m_height = 0;
    BYTE m_charset = DEFAULT_CHARSET;
    COLORREF m_color;
    unsigned m_style = 0;
    TFont m_font;
    bool m_mouseInside = false;
    bool m_pressed = false;
};

// An icon drawn at its own size from the top-left corner, on the button-face colour.
class TIconImage : public TControl {
public:
    explicit TIconImage(TControl* parent);
    void SetPicture(TIcon icon);
    HICON Picture() const { return m_icon.get(); }

protected:
    HWND CreateWnd(HWND parentWnd) override;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Paint(HDC dc);

    TIcon m_icon;
};

class Tfm_about : public TForm {
public:
    // Lays the box out and runs FormCreate; the window is made when the box is shown.
    explicit Tfm_about(TForm* owner);
    ~Tfm_about() override;

    // Shows the box centred over its owner, which takes no input meanwhile, and handles this
    // thread's messages until ModalResult is set (by the button, or IDCANCEL when the window is
    // closed or the program is ending); then hides it and returns that result. Returns IDCANCEL
    // at once when the window cannot be made.
    int ShowModal();
    int ModalResult = 0;

    void FormCreate(TObject* Sender);
    void lb_urlClick(TObject* Sender);
    void lb_urlMouseEnter(TObject* Sender);
    void lb_urlMouseLeave(TObject* Sender);

    TIconImage Image1{this};
    TPaintedLabel lb_title{this};
    TPaintedLabel lb_date{this};
    TPaintedLabel Label2{this};
    TPaintedLabel Label3{this};
    TPaintedLabel lb_url{this};
    TButton suiButton1{this};

protected:
    HWND CreateWnd(HWND parentWnd) override;
    void AfterCreateWnd() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void LayOut();
    void WireEvents();
    void PlaceOverOwner();

    TForm* m_owner;
};

}  // namespace zv

// The program's own tab strip: equal-width tabs painted with a vertical gradient, the selected
// one orange, the others blue-grey, each later tab overlapping its left neighbour with a slanted
// edge. It owns no pages; the host switches them in OnTabActive.
#pragma once
#include "ui/controls.h"

namespace zv {

using TTabActiveNotify = std::function<void(TObject* Sender, int TabIndex)>;

class TQkTabs : public TControl {
public:
    explicit TQkTabs(TControl* parent);

    // The own caption list. Changes made through it raise nothing and show at the next paint.
    std::vector<std::string>& tabs() { return m_tabs; }
    // Copies the captions, selects tab 0 and repaints, without raising OnTabActive.
    void set_tabs(const std::vector<std::string>& list);

    // A negative index means no tab is selected.
    int tabindex() const { return m_index; }
    // Ignored for an index at or past the last tab or equal to the current one. Otherwise
    // stores it, repaints at once and then raises OnTabActive. There is no lower bound.
    void set_tabindex(int value);

    TTabActiveNotify OnTabActive;

    // Paints the whole strip, at the given size, into `dc`, and takes the tab width that hit
    // testing uses from it. The window paints through here; it needs no window.
    void PaintTo(HDC dc, int width, int height);
    // The tab width of the last paint, which hit testing uses; 0 before the first paint.
    int TabWidth() const { return m_tabWidth; }

protected:
    HWND CreateWnd(HWND parentWnd) override;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void PaintWindow();
    void MouseDown(int x, int y);
    void Repaint();
    void DrawTab(int Index, HDC Canvas, const RECT& Rect, bool Selected, const std::string& Caption);

    std::vector<std::string> m_tabs;
    int m_index = 0;
    int m_tabWidth = 0;
};

}  // namespace zv

// The main window's tab strip.
#pragma once
#include "ui/controls.h"

namespace zv {

using TTabActiveNotify = std::function<void(TObject* Sender, int TabIndex)>;

// Stand-in strip: plain buttons-free painting of the captions, selection by click.
class TQkTabs : public TControl {
public:
    explicit TQkTabs(TControl* parent);

    std::vector<std::string>& tabs() { return m_tabs; }
    void set_tabs(const std::vector<std::string>& list);
    int tabindex() const { return m_index; }
    void set_tabindex(int value);
    TTabActiveNotify OnTabActive;

protected:
    HWND CreateWnd(HWND parentWnd) override;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Paint(HDC dc);
    std::vector<std::string> m_tabs;
    int m_index = 0;
};

}  // namespace zv

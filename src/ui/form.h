// A top-level window with a menu bar and a status bar that shows hints.
#pragma once
#include "ui/controls.h"

namespace zv {

class TForm : public TControl {
public:
    TForm();
    ~TForm() override;

    // The status bar whose first panel shows the hints; none by default.
    TStatusBar* HintBar = nullptr;
    // The menu bar's popups, built into a window menu when the window is created.
    std::vector<TMenuItem*> Menu;
    // Design size of the client area, used for layout while there is no window.
    SIZE DesignClient{0, 0};

    HFONT ControlFont() const override { return m_font.get(); }
    RECT ClientRect() const override;
    void SetFont(const std::string& face, int height, BYTE charset);

    // Shows the hint of whatever control is under the pointer, as the idle loop does.
    void UpdateHintFromCursor();
    // The hint for the control at a screen point: "" outside our windows.
    std::string HintAt(POINT screen) const;
    // The hint shown while a menu item is highlighted.
    void MenuItemHighlighted(UINT command);

    TMenuItem* FindMenuItem(UINT command) const;
    HMENU MenuHandle() const { return m_menu.get(); }
    // What choosing a menu item does (through the event wrapper).
    void ClickMenuItem(UINT command);

    // Destroys the window (its destroy handler runs); the control objects stay.
    void DestroyHandle();

    std::function<void()> OnResize;
    std::function<void()> OnDestroy;

protected:
    HWND CreateWnd(HWND parentWnd) override;
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    std::string WindowClassName = "TZvForm";
    DWORD Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

private:
    HMENU BuildMenu(const std::vector<TMenuItem*>& items, bool bar);
    TFont m_font;
    TMenuHandle m_menu;
    bool m_inMenu = false;
    UINT m_nextCommand = 100;
};

}  // namespace zv

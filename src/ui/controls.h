// Small control objects in the manner of a VCL form: each keeps its own state (caption,
// enabled, hint, bounds) and pushes it to its window once one exists, so the program's logic
// runs and is tested with or without windows.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace zv {

class TObject {
public:
    virtual ~TObject() = default;
};

enum class TAlign { None, Top, Bottom, Left, Right, Client };

// Runs an event handler; whatever escapes it goes to the standard error box and the
// program goes on. Every event of every control is entered through here.
void FireEvent(const std::function<void()>& handler);

class TControl : public TObject {
public:
    explicit TControl(TControl* parent);
    ~TControl() override;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    TControl* Parent() const { return m_parent; }
    const std::vector<TControl*>& Children() const { return m_children; }

    const std::string& Hint() const { return m_hint; }
    void SetHint(std::string hint) { m_hint = std::move(hint); }
    // The hint shown for this control: its own, else its nearest container's that has one.
    std::string EffectiveHint() const;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);

    const std::string& Caption() const { return m_caption; }
    void SetCaption(const std::string& caption);

    TAlign Align = TAlign::None;
    int TabOrder = 0;
    bool TabStop = false;
    // Bevel width on each side; the client area children are aligned in is inside it.
    int BorderWidth = 0;

    RECT BoundsRect() const { return m_bounds; }
    int Width() const { return m_bounds.right - m_bounds.left; }
    int Height() const { return m_bounds.bottom - m_bounds.top; }
    void SetBounds(int left, int top, int width, int height);
    virtual RECT ClientRect() const;
    // Lays the aligned children out in the client area, then theirs.
    void Realign();
    // Puts the control in front of its siblings.
    void BringToFront();
    bool IsInFront() const;

    HWND Handle() const { return m_hwnd; }
    bool HandleAllocated() const { return m_hwnd != nullptr; }
    // Creates the window of this control and of every child, in tab order.
    void CreateHandles();
    // Forgets the windows of this control and its children (their parent destroyed them).
    void ReleaseHandles();
    static TControl* FromHandle(HWND hwnd);

    // Messages a child window sends its parent, routed back to the child's object.
    virtual bool HandleCommand(WORD /*code*/) { return false; }
    virtual bool HandleNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }

protected:
    virtual HWND CreateWnd(HWND parentWnd) = 0;
    virtual void AfterCreateWnd() {}
    void AttachHandle(HWND hwnd);
    // The font every control takes from its form.
    virtual HFONT ControlFont() const { return m_parent ? m_parent->ControlFont() : nullptr; }

private:
    TControl* m_parent;
    std::vector<TControl*> m_children;
    std::string m_hint;
    std::string m_caption;
    bool m_enabled = true;
    bool m_visible = true;
    RECT m_bounds{};
    HWND m_hwnd = nullptr;
};

// Routes WM_COMMAND and WM_NOTIFY from child windows to their control objects.
bool RouteChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

// A container with optional bevels, like a VCL panel.
class TPanel : public TControl {
public:
    enum TBevel { bvNone, bvLowered, bvRaised };
    TPanel(TControl* parent, TBevel inner, TBevel outer);
    TBevel BevelInner, BevelOuter;

protected:
    HWND CreateWnd(HWND parentWnd) override;
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

class TButton : public TControl {
public:
    explicit TButton(TControl* parent);
    std::function<void()> OnClick;
    // What a click does, enabled or not; callers check Enabled() as a user would see it.
    void Click();
    bool HandleCommand(WORD code) override;

protected:
    HWND CreateWnd(HWND parentWnd) override;
};

class TStatusBar : public TControl {
public:
    explicit TStatusBar(TControl* parent);
    int PanelWidth = 200;
    const std::string& PanelText() const { return m_text; }
    void SetPanelText(const std::string& text);

protected:
    HWND CreateWnd(HWND parentWnd) override;

private:
    std::string m_text;
};

struct THeaderSection {
    std::string Text;
    int Width = 0;
    int MinWidth = 0;
    int MaxWidth = 10000;
    int Left = 0;  // measured from the header's left edge
    int Right() const { return Left + Width; }
};

class THeaderControl : public TControl {
public:
    explicit THeaderControl(TControl* parent);
    void AddSection(const std::string& text, int width, int minWidth);
    size_t SectionCount() const { return m_sections.size(); }
    THeaderSection& Section(size_t i) { return m_sections[i]; }
    // Sets a width within the section's limits without reporting it as the user's change.
    void SetSectionWidth(size_t i, int width);
    std::function<void(THeaderSection&)> OnSectionResize;
    bool HandleNotify(NMHDR* header, LRESULT& result) override;

protected:
    HWND CreateWnd(HWND parentWnd) override;

private:
    void UpdateLefts();
    std::vector<THeaderSection> m_sections;
    bool m_settingWidth = false;
};

// An image list that outlives any window.
class TImageList {
public:
    TImageList(int width, int height);
    HIMAGELIST Handle() const { return m_list.get(); }
    int Count() const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Adds a copy of the icon; returns its index, -1 when it could not be added.
    int AddIcon(HICON icon);
    void Delete(int index);

private:
    int m_width, m_height;
    TImageListHandle m_list;
};

// A menu item; a popup holds its items. Hints show in the status bar while highlighted.
class TMenuItem : public TObject {
public:
    TMenuItem(std::string caption, std::string hint = {}) : Caption(std::move(caption)), Hint(std::move(hint)) {}
    std::string Caption;  // "-" for a separator
    std::string Hint;
    std::function<void()> OnClick;
    std::vector<TMenuItem*> Items;
    UINT Command = 0;
};

}  // namespace zv

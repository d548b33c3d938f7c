// A tree view whose node objects are the truth; the Win32 tree view shows them in the same
// order. Works without a window for the program's logic and its tests.
#pragma once
#include "ui/controls.h"

namespace zv {

struct TNodeData;
class TTreeView;

class TTreeNode {
public:
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    const std::string& Text() const { return m_text; }
    // Changing the text of a node re-sorts its siblings when the tree sorts by text.
    void SetText(const std::string& text);
    int ImageIndex() const { return m_image; }
    void SetImageIndex(int index);
    int SelectedIndex() const { return m_selectedImage; }
    void SetSelectedIndex(int index);

    // The record attached to the node. The node does not own it: whoever attaches one
    // disposes it (FreeTreeData, or an action just before it deletes the node).
    TNodeData* Data = nullptr;

    TTreeNode* Parent() const;
    int Level() const;
    size_t Count() const { return m_children.size(); }
    TTreeNode* Item(size_t index) const { return m_children[index].get(); }
    size_t Index() const { return m_index; }
    bool Expanded() const { return m_expanded; }
    void Expand();
    void Collapse();
    HTREEITEM ItemId() const { return m_item; }
    TTreeView* Owner() const { return m_owner; }

private:
    friend class TTreeView;
    TTreeNode(TTreeView* owner, TTreeNode* parent, std::string text)
        : m_owner(owner), m_parent(parent), m_text(std::move(text))
    {
    }

    TTreeView* m_owner;
    TTreeNode* m_parent;  // the tree's hidden root for top-level nodes
    std::string m_text;
    // Picture 0 until one is given, as the toolkit's nodes start: -1 would tell the tree view
    // to ask the program, and a node left by a scan that stopped would show whatever came.
    int m_image = 0;
    int m_selectedImage = 0;
    bool m_expanded = false;
    size_t m_index = 0;
    // Children before this index are in text order as of the last re-sort.
    size_t m_sortedCount = 0;
    std::vector<std::unique_ptr<TTreeNode>> m_children;
    HTREEITEM m_item = nullptr;
};

class TTreeView : public TControl {
public:
    explicit TTreeView(TControl* parent);
    ~TTreeView() override;

    bool SortByText = false;
    bool ShowButtons = true;
    bool ShowLines = true;
    bool ShowRoot = true;
    bool RowSelect = false;
    int Indent = 19;
    TImageList* Images = nullptr;

    // Appends a node as the last child of `parent` (the last top-level node for null).
    TTreeNode* Add(TTreeNode* parent, const std::string& text);
    void Delete(TTreeNode* node);
    void Clear();

    size_t TopCount() const { return m_root.Count(); }
    TTreeNode* TopItem(size_t index) const { return m_root.Item(index); }
    size_t Count() const { return m_count; }
    // Every node by absolute index: each parent before its descendants.
    std::vector<TTreeNode*> Nodes() const;

    TTreeNode* Selected() const { return m_selected; }
    void Select(TTreeNode* node);

    // A rebuild empties the window's tree and fills it from the nodes at the end, so a scan
    // of thousands of entries costs no window update per change.
    void BeginRebuild();
    void EndRebuild();

    void Invalidate();
    TTreeNode* NodeAt(POINT client) const;

    std::function<void(TTreeNode*)> OnChange;
    std::function<void()> OnDblClick;
    std::function<void(TTreeNode*, bool& allowCollapse)> OnCollapsing;
    std::function<void(TTreeNode*)> OnCollapsed;
    // Called for each row about to be drawn; clearing defaultDraw leaves the row to it.
    std::function<void(TTreeNode*, NMTVCUSTOMDRAW&, bool& defaultDraw)> OnCustomDrawItem;

    bool HandleNotify(NMHDR* header, LRESULT& result) override;

protected:
    HWND CreateWnd(HWND parentWnd) override;
    void AfterCreateWnd() override;

private:
    friend class TTreeNode;
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool ViewLive() const { return HandleAllocated() && m_rebuilds == 0; }
    void Resort(TTreeNode& parent, TTreeNode* changed);
    void InsertIntoView(TTreeNode& node);
    void PushItem(TTreeNode& node, UINT mask);
    void SetSelectedFromView(TTreeNode* node);
    static bool InSubtree(const TTreeNode* node, const TTreeNode* top);

    TTreeNode m_root{this, nullptr, {}};
    TTreeNode* m_selected = nullptr;
    size_t m_count = 0;
    int m_rebuilds = 0;
    bool m_quiet = false;  // the window's own notifications while the program changes it
};

}  // namespace zv

#include "ui/treeview.h"

#include <algorithm>

namespace zv {

namespace {

// Ascending by text as lstrcmpA sees it; equal texts keep their present order.
bool KeyLess(const std::unique_ptr<TTreeNode>& a, const std::unique_ptr<TTreeNode>& b)
{
    const int c = lstrcmpA(a->Text().c_str(), b->Text().c_str());
    return c < 0 || (c == 0 && a->Index() < b->Index());
}

// The tree view class's own window procedure, the same for every tree view of the process.
WNDPROC g_treeViewProc = nullptr;

int CALLBACK CompareByModelOrder(LPARAM a, LPARAM b, LPARAM)
{
    const size_t ia = reinterpret_cast<TTreeNode*>(a)->Index();
    const size_t ib = reinterpret_cast<TTreeNode*>(b)->Index();
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

}  // namespace

// Node -----------------------------------------------------------------------------------------

TTreeNode* TTreeNode::Parent() const
{
    return (m_parent && m_parent->m_parent) ? m_parent : nullptr;
}

int TTreeNode::Level() const
{
    int level = 0;
    for (const TTreeNode* p = Parent(); p; p = p->Parent()) ++level;
    return level;
}

void TTreeNode::SetText(const std::string& text)
{
    m_text = text;
    if (m_owner->ViewLive() && m_item) m_owner->PushItem(*this, TVIF_TEXT);
    if (m_owner->SortByText) m_owner->Resort(*m_parent, this);
}

void TTreeNode::SetImageIndex(int index)
{
    m_image = index;
    if (m_owner->ViewLive() && m_item) m_owner->PushItem(*this, TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(int index)
{
    m_selectedImage = index;
    if (m_owner->ViewLive() && m_item) m_owner->PushItem(*this, TVIF_SELECTEDIMAGE);
}

void TTreeNode::Expand()
{
    m_expanded = true;
    if (m_owner->ViewLive() && m_item) {
        SendMessageA(m_owner->Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(m_item));
    }
}

void TTreeNode::Collapse()
{
    m_expanded = false;
    if (m_owner->ViewLive() && m_item) {
        SendMessageA(m_owner->Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(m_item));
    }
}

// Tree -----------------------------------------------------------------------------------------

TTreeView::TTreeView(TControl* parent) : TControl(parent) { TabStop = true; }

TTreeView::~TTreeView() = default;

TTreeNode* TTreeView::Add(TTreeNode* parent, const std::string& text)
{
    TTreeNode& p = parent ? *parent : m_root;
    p.m_children.push_back(std::unique_ptr<TTreeNode>(new TTreeNode(this, &p, text)));
    TTreeNode* node = p.m_children.back().get();
    node->m_index = p.m_children.size() - 1;
    ++m_count;
    if (ViewLive()) InsertIntoView(*node);
    return node;
}

bool TTreeView::InSubtree(const TTreeNode* node, const TTreeNode* top)
{
    for (; node; node = node->m_parent) {
        if (node == top) return true;
    }
    return false;
}

void TTreeView::Delete(TTreeNode* node)
{
    if (!node) return;
    TTreeNode& parent = *node->m_parent;
    const size_t index = node->m_index;
    const bool selectionGoes = m_selected && InSubtree(m_selected, node);
    TTreeNode* successor = nullptr;
    if (ViewLive() && node->m_item) {
        // The window picks the next selection and reports it; the handlers see the new node.
        SendMessageA(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->m_item));
        if (m_selected && InSubtree(m_selected, node)) m_selected = nullptr;
    } else if (selectionGoes) {
        // Without a window, follow what the tree view does: next sibling, else parent, else previous.
        if (index + 1 < parent.m_children.size()) {
            successor = parent.m_children[index + 1].get();
        } else if (parent.m_parent) {
            successor = &parent;
        } else if (index > 0) {
            successor = parent.m_children[index - 1].get();
        }
        m_selected = nullptr;
    }
    size_t removed = 1;
    std::vector<TTreeNode*> stack{node};
    while (!stack.empty()) {
        TTreeNode* n = stack.back();
        stack.pop_back();
        removed += n->m_children.size();
        for (auto& c : n->m_children) stack.push_back(c.get());
    }
    m_count -= removed;
    parent.m_children.erase(parent.m_children.begin() + static_cast<ptrdiff_t>(index));
    if (index < parent.m_sortedCount) --parent.m_sortedCount;
    for (size_t i = index; i < parent.m_children.size(); ++i) parent.m_children[i]->m_index = i;
    if (successor) Select(successor);
}

void TTreeView::Clear()
{
    if (HandleAllocated()) {
        m_quiet = true;
        SendMessageA(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        m_quiet = false;
    }
    m_root.m_children.clear();
    m_root.m_sortedCount = 0;
    m_count = 0;
    m_selected = nullptr;
}

std::vector<TTreeNode*> TTreeView::Nodes() const
{
    std::vector<TTreeNode*> all;
    all.reserve(m_count);
    std::vector<const TTreeNode*> stack{&m_root};
    while (!stack.empty()) {
        const TTreeNode* n = stack.back();
        stack.pop_back();
        if (n != &m_root) all.push_back(const_cast<TTreeNode*>(n));
        for (auto it = n->m_children.rbegin(); it != n->m_children.rend(); ++it) stack.push_back(it->get());
    }
    return all;
}

void TTreeView::Select(TTreeNode* node)
{
    if (ViewLive() && (!node || node->m_item)) {
        SendMessageA(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->m_item : nullptr));
        return;  // the window reports the change
    }
    if (node == m_selected) return;
    m_selected = node;
    if (OnChange) FireEvent([&] { OnChange(node); });
}

void TTreeView::Resort(TTreeNode& parent, TTreeNode* changed)
{
    auto& v = parent.m_children;
    const size_t sorted = std::min(parent.m_sortedCount, v.size());
    // The sorted prefix stays sorted without the changed node; only the nodes after it and the
    // changed one need a place, found by binary search, so a scan that changes every entry's
    // text as it adds it stays near-linear.
    std::vector<std::unique_ptr<TTreeNode>> movers;
    for (size_t i = sorted; i < v.size(); ++i) movers.push_back(std::move(v[i]));
    v.resize(sorted);
    if (changed->m_index < sorted) {
        movers.push_back(std::move(v[changed->m_index]));
        v.erase(v.begin() + static_cast<ptrdiff_t>(changed->m_index));
    }
    std::stable_sort(movers.begin(), movers.end(), KeyLess);
    for (auto& m : movers) {
        auto at = std::upper_bound(v.begin(), v.end(), m, KeyLess);
        v.insert(at, std::move(m));
    }
    for (size_t i = 0; i < v.size(); ++i) v[i]->m_index = i;
    parent.m_sortedCount = v.size();

    if (ViewLive()) {
        TVSORTCB sort{};
        sort.hParent = parent.m_parent ? parent.m_item : TVI_ROOT;
        sort.lpfnCompare = CompareByModelOrder;
        // The result is FALSE for fewer than two children under Wine; the order is right anyway.
        SendMessageA(Handle(), TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    }
}

void TTreeView::PushItem(TTreeNode& node, UINT mask)
{
    TVITEMA item{};
    item.mask = mask;
    item.hItem = node.m_item;
    item.pszText = const_cast<char*>(node.m_text.c_str());
    item.iImage = node.m_image;
    item.iSelectedImage = node.m_selectedImage;
    SendMessageA(Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeView::InsertIntoView(TTreeNode& node)
{
    TVINSERTSTRUCTA ins{};
    ins.hParent = node.m_parent->m_parent ? node.m_parent->m_item : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(node.m_text.c_str());
    ins.item.iImage = node.m_image;
    ins.item.iSelectedImage = node.m_selectedImage;
    ins.item.lParam = reinterpret_cast<LPARAM>(&node);
    node.m_item = reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

void TTreeView::BeginRebuild()
{
    if (m_rebuilds++ > 0 || !HandleAllocated()) return;
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    m_quiet = true;
    SendMessageA(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    m_quiet = false;
    for (TTreeNode* n : Nodes()) n->m_item = nullptr;
}

void TTreeView::EndRebuild()
{
    if (m_rebuilds == 0 || --m_rebuilds > 0 || !HandleAllocated()) return;
    m_quiet = true;
    const std::vector<TTreeNode*> all = Nodes();
    for (TTreeNode* n : all) InsertIntoView(*n);
    for (TTreeNode* n : all) {
        if (n->m_expanded) SendMessageA(Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(n->m_item));
    }
    if (m_selected) SendMessageA(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(m_selected->m_item));
    m_quiet = false;
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    Invalidate();
}

void TTreeView::Invalidate()
{
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

TTreeNode* TTreeView::NodeAt(POINT client) const
{
    if (!HandleAllocated()) return nullptr;
    TVHITTESTINFO hit{};
    hit.pt = client;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (!item) return nullptr;
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    SendMessageA(Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return reinterpret_cast<TTreeNode*>(tv.lParam);
}

void TTreeView::SetSelectedFromView(TTreeNode* node)
{
    if (node == m_selected) return;
    m_selected = node;
    if (OnChange) FireEvent([&] { OnChange(node); });
}

bool TTreeView::HandleNotify(NMHDR* header, LRESULT& result)
{
    result = 0;
    switch (header->code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        if (m_quiet) return true;
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
        SetSelectedFromView(nm->itemNew.hItem ? reinterpret_cast<TTreeNode*>(nm->itemNew.lParam) : nullptr);
        return true;
    }
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
        auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
        if (!m_quiet && node && (nm->action & TVE_COLLAPSE) && OnCollapsing) {
            bool allow = true;
            FireEvent([&] { OnCollapsing(node, allow); });
            result = allow ? FALSE : TRUE;
        }
        return true;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
        auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
        if (!node) return true;
        node->m_expanded = (nm->itemNew.state & TVIS_EXPANDED) != 0;
        if (!m_quiet && (nm->action & TVE_COLLAPSE) && OnCollapsed) FireEvent([&] { OnCollapsed(node); });
        return true;
    }
    case NM_CUSTOMDRAW: {
        if (!OnCustomDrawItem) return false;
        auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(header);
        if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            auto* node = reinterpret_cast<TTreeNode*>(cd->nmcd.lItemlParam);
            bool defaultDraw = true;
            if (node) FireEvent([&] { OnCustomDrawItem(node, *cd, defaultDraw); });
            result = defaultDraw ? CDRF_DODEFAULT : CDRF_SKIPDEFAULT;
        }
        return true;
    }
    default:
        return false;
    }
}

HWND TTreeView::CreateWnd(HWND parentWnd)
{
    // Hints show only in the status bar, so the tree shows no tooltips of its own either.
    DWORD style = WS_CHILD | WS_TABSTOP | TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS | (Visible() ? WS_VISIBLE : 0);
    if (ShowButtons) style |= TVS_HASBUTTONS;
    if (ShowLines) style |= TVS_HASLINES;
    if (ShowRoot) style |= TVS_LINESATROOT;
    if (RowSelect) style |= TVS_FULLROWSELECT;
    RECT b = BoundsRect();
    return CreateWindowExA(0, WC_TREEVIEWA, "", style, b.left, b.top, Width(), Height(), parentWnd, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

LRESULT CALLBACK TTreeView::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    const LRESULT result = CallWindowProcA(g_treeViewProc, hwnd, msg, wp, lp);
    // The control's own notification of a double click comes only when the click hits an item;
    // a double click anywhere in the control, below the last row too, acts on the selection.
    if (msg == WM_LBUTTONDBLCLK) {
        auto* tree = dynamic_cast<TTreeView*>(FromHandle(hwnd));
        if (tree && tree->OnDblClick) FireEvent(tree->OnDblClick);
    }
    return result;
}

void TTreeView::AfterCreateWnd()
{
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTreeView::SubclassProc)));
    if (!g_treeViewProc) g_treeViewProc = previous;
    if (Images) SendMessageA(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(Images->Handle()));
    SendMessageA(Handle(), TVM_SETINDENT, Indent, 0);
    m_quiet = true;
    for (TTreeNode* n : Nodes()) InsertIntoView(*n);
    for (TTreeNode* n : Nodes()) {
        if (n->m_expanded) SendMessageA(Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(n->m_item));
    }
    m_quiet = false;
}

}  // namespace zv

// Which of the plug-in page's buttons apply to the selected node, and the property sheet of a
// file named by a node.
#include "platform/ansi_text.h"
#include "platform/cmdline.h"
#include "platform/shell_api.h"
#include "plugins/node_data.h"
#include "ui/w_main.h"

namespace zv {

void Tfm_main::m_treeChange(TObject*, TTreeNode* Node)
{
    TTreeNode* selected = m_tree.Selected();
    if (!selected) return;
    const TNodeData* record = selected->Data;
    if (!record) {
        bt_delactivex.SetEnabled(false);
        bt_delete.SetEnabled(false);
        bt_onoff.SetEnabled(false);
        bt_delfile.SetEnabled(false);
        return;
    }
    // Built-in entries are refused when a delete button is clicked, not by disabling it.
    bt_delete.SetEnabled(true);
    if (record->CanDisable == 1) {
        bt_onoff.SetEnabled(true);
        // The caption is the only record of the entry's state that the disable action reads
        // back. "[已禁用]" holds no "启用", and a match must not straddle two characters.
        const std::string& text = (Node ? Node : selected)->Text();
        bt_onoff.SetCaption(AnsiPos(text, "启用") != std::string::npos ? "禁用" : "启用");
    } else {
        bt_onoff.SetEnabled(false);
    }
    bt_delactivex.SetEnabled(!record->Clsid.empty());
    bt_delfile.SetEnabled(!record->FileName.empty());
}

void Tfm_main::m_treeDblClick(TObject*)
{
    const TTreeNode* selected = m_tree.Selected();
    // Only the file lines below an entry hold a path; names and directories open nothing.
    if (!selected) return;
    const TNodeData* entry = selected->Parent() ? selected->Parent()->Data : nullptr;
    const TFileView view = entry ? entry->FileView() : TFileView::Native;
    if (!FileExists(selected->Text(), 0, view)) return;
    const TFileViewScope scope(view);
    ShowFileProperties(PathInView(selected->Text(), view));
}

}  // namespace zv

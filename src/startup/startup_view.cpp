// The startup list: its drawing, its columns and its commands.
#include <cstring>

#include "platform/cmdline.h"
#include "platform/handles.h"
#include "platform/path_policy.h"
#include "platform/shell_api.h"
#include "plugins/action_keys.h"
#include "plugins/node_data.h"
#include "startup/startup_draw.h"
#include "startup/startup_marks.h"
#include "ui/w_main.h"
#include "undo/undo_record.h"

namespace zv {

namespace {

// Room kept free right of the second column, and between a column's edge and its text.
constexpr int kRightRoom = 25;
constexpr int kTextGap = 2;
const COLORREF kSelectedRowColour = RGB(220, 240, 255);
// One vertically centred line, as the design draws it. DT_NOPREFIX keeps an "&" in a name or
// command line as the character it is, and the width measured for shortening true.
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

RECT ItemRect(HWND tree, HTREEITEM item, bool labelOnly)
{
    // The message takes the item in the rectangle's first bytes and returns the rectangle there.
    RECT r{};
    static_assert(sizeof(item) <= sizeof(r));
    std::memcpy(&r, &item, sizeof(item));
    if (!SendMessageA(tree, TVM_GETITEMRECT, labelOnly, reinterpret_cast<LPARAM>(&r))) return RECT{};
    return r;
}

void DrawTextIn(HDC dc, const std::string& text, int left, int top, int right, int bottom)
{
    RECT r{left, top, right, bottom};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, kTextFormat);
}

void DrawShortened(HDC dc, const std::string& text, int left, int top, int right, int bottom)
{
    DrawTextIn(dc, ShortenToWidth(dc, text, right - left), left, top, right, bottom);
}

}  // namespace

void Tfm_main::tree_startAdvancedCustomDrawItem(TTreeView* Sender, TTreeNode* Node, NMTVCUSTOMDRAW& Draw,
                                                bool& /*PaintImages*/, bool& DefaultDraw)
{
    DefaultDraw = false;
    const HDC dc = Draw.nmcd.hdc;
    if (!Node->Data || !Sender->HandleAllocated()) return;
    const RECT row = ItemRect(Sender->Handle(), Node->ItemId(), false);
    const RECT label = ItemRect(Sender->Handle(), Node->ItemId(), true);
    const int level = Node->Level();

    TSelectObject font(dc, ControlFont());
    if (level == 0) {
        FillRect(dc, &row, GetSysColorBrush(COLOR_BTNFACE));
    } else if (Draw.nmcd.uItemState & CDIS_SELECTED) {
        TBrush selected(CreateSolidBrush(kSelectedRowColour));
        FillRect(dc, &row, selected.get());
    }

    const TImageList* pictures = Sender->Images;
    if (pictures && Node->ImageIndex() >= 0 && Node->ImageIndex() < pictures->Count()) {
        ImageList_Draw(pictures->Handle(), Node->ImageIndex(), dc, row.left + level * Sender->Indent, row.top,
                       ILD_TRANSPARENT);
    }

    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    const THeaderSection& s1 = head_start.Section(0);
    const THeaderSection& s2 = head_start.Section(1);
    if (level == 0) {
        // A group's title runs across both columns and is never shortened.
        DrawTextIn(dc, Node->Data->ItemName, label.left, label.top, s2.Right(), label.bottom);
        return;
    }
    const int nameRight = s1.Right() - kTextGap;
    DrawTextIn(dc, MarkedName(dc, Node->Data->ItemName, StartupMarkText(*Node->Data), nameRight - label.left),
               label.left, label.top, nameRight, label.bottom);
    DrawShortened(dc, Node->Data->CommandLine, s2.Left + kTextGap, label.top, s2.Right() - kTextGap, label.bottom);
}

void Tfm_main::tree_startChange(TObject* /*Sender*/, TTreeNode* /*Node*/)
{
    const TTreeNode* node = tree_start.Selected();
    bt_delstart.SetEnabled(node && node->Data && (!node->Data->ValueName.empty() || !node->Data->FileName.empty()));
}

void Tfm_main::tree_startCollapsing(TObject* /*Sender*/, TTreeNode* /*Node*/, bool& AllowCollapse)
{
    AllowCollapse = false;
}

void Tfm_main::tree_startCollapsed(TObject* Sender, TTreeNode* Node)
{
    // The veto above holds on Windows; Wine's tree view collapses anyway, so the group is
    // opened again here and every item stays visible on both.
    Node->Expand();
    if (auto* tree = dynamic_cast<TTreeView*>(Sender)) tree->Invalidate();
}

void Tfm_main::tree_startDblClick(TObject* /*Sender*/)
{
    const TTreeNode* node = tree_start.Selected();
    if (!node || !node->Data) return;
    const std::string file = ExtractCommandFile(node->Data->CommandLine);
    if (!FileExists(file)) return;
    // The shell that starts the item sees the native system folder.
    const TFileViewScope scope(TFileView::Native);
    ShowFileProperties(PathInView(file, TFileView::Native));
}

void Tfm_main::bt_delstartClick(TObject* /*Sender*/)
{
    TTreeNode* node = tree_start.Selected();
    if (!node || !node->Data) return;
    TNodeData* record = node->Data;
    if (ShowMessage("你确定要删除 “" + record->ItemName + "” 这个启动项目吗？", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
        return;
    }

    // A name that reaches another item than the one listed (cut short by a zero byte, changed
    // by the code page, trimmed by the path functions) is never acted on. Neither is one that the
    // record could not take back.
    const TTreeNode* group = node->Parent();
    TUndoRecord undo("删除启动项目", (group && group->Data ? group->Data->ItemName : std::string()) + "\\" +
                                        record->ItemName);
    bool removed = false;
    SaveStartupMark(undo, *record);
    if (!record->KeyPath.empty()) {
        if (NamesListedEntry(*record)) {
            undo.SaveValues(RootKeyHandle(record->RootKey), record->KeyPath, {record->ValueName});
            if (undo.Write()) {
                TRegistry reg;
                reg.SetRoot(record->RootKey);
                if (reg.EnterKey(record->KeyPath, false)) removed = reg.EraseValue(record->ValueName);
                reg.LeaveKey();
            }
        }
    } else if (!record->FileName.empty() && NamesListedEntry(*record) &&
               // The folder is the program's own; an entry named like a device (com1.exe) would
               // open the device rather than name a file.
               MayOpenPath(record->FileName, LastComponentStart(record->FileName))) {
        undo.SaveFile(record->FileName);
        removed = undo.Write() && ShellApi().DeleteFile(record->FileName.c_str()) != FALSE;
    }
    if (removed) EraseStartupMark(*record);
    undo.Settle();

    if (!removed) {
        ShowMessage("删除失败！", MB_ICONINFORMATION);
        return;
    }
    ShowMessage("删除完毕！", MB_ICONINFORMATION);
    delete record;
    node->Data = nullptr;
    tree_start.Delete(node);
}

void Tfm_main::head_startSectionResize(THeaderControl* HeaderControl, THeaderSection& Section)
{
    if (&Section == &HeaderControl->Section(0)) {
        HeaderControl->SetSectionWidth(1, HeaderControl->Width() - Section.Width - kRightRoom);
    }
    tree_start.Invalidate();
}

}  // namespace zv

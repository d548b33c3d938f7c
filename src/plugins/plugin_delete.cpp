// The three removals of the plug-in page: an entry's registry hook, its file, its class
// registration.
#include "platform/cmdline.h"
#include "platform/file_io.h"
#include "platform/shell_api.h"
#include "plugins/action_keys.h"
#include "plugins/node_data.h"
#include "ui/w_main.h"
#include "undo/undo_record.h"

namespace zv {

namespace {

// A hook entry is one value of its key, the key's default value included, or the whole key
// with everything below it.
bool EraseHook(TRegistry& reg, const TNodeData& record)
{
    // An empty or malformed path would resolve to the root or to a parent and take every
    // sibling entry with it; a name that is not exact would reach another entry.
    if (!IsEntryKeyPath(record.KeyPath) || !IsExactName(record.ValueName)) return false;
    reg.SetRoot(record.RootKey);
    if (!record.IsValue) return record.ValueName.empty() && reg.EraseKey(record.KeyPath);
    if (!reg.EnterKey(record.KeyPath, false)) return false;
    const bool erased = reg.EraseValue(record.ValueName);
    reg.LeaveKey();
    return erased;
}

// Removed means certainly no longer there: a key that was already missing counts, one that
// survived its erasure does not, and neither does one that can no longer be looked at.
bool EraseControlKey(TRegistry& reg, HKEY root, const std::string& path)
{
    reg.SetRoot(root);
    return reg.EraseKey(path) || reg.KeyIsAbsent(path);
}

// A control leaves three traces. The per-user settings key is also its disable mark, so it
// goes only once every other trace is gone: a control whose download record or statistics
// stay must not come out of a failed delete enabled.
bool EraseControl(TRegistry& reg, const std::string& clsid, TRegView view)
{
    if (!IsSingleKeyName(clsid)) return false;
    if (!EraseControlKey(reg, HKEY_LOCAL_MACHINE, ViewKeyPath(view, DistributionUnitsKey) + clsid)) return false;
    if (!EraseControlKey(reg, HKEY_CURRENT_USER, ExtStatsKey + clsid)) return false;
    return EraseControlKey(reg, HKEY_CURRENT_USER, ExtSettingsKey + clsid);
}

// What deleting the entry may change, in the record that can take it back. False when the
// entry's record names no single entry, which the delete refuses anyway.
bool SaveDeletedEntry(TUndoRecord& undo, const TNodeData& record)
{
    if (record.IsActiveX == 1) {
        if (!IsSingleKeyName(record.Clsid)) return false;
        undo.SaveErasedKey(HKEY_LOCAL_MACHINE, ViewKeyPath(record.View, DistributionUnitsKey) + record.Clsid);
        undo.SaveErasedKey(HKEY_CURRENT_USER, ExtSettingsKey + record.Clsid);
        undo.SaveErasedKey(HKEY_CURRENT_USER, ExtStatsKey + record.Clsid);
        return true;
    }
    if (!IsEntryKeyPath(record.KeyPath) || !IsExactName(record.ValueName)) return false;
    if (record.IsValue) {
        undo.SaveValues(RootKeyHandle(record.RootKey), record.KeyPath, {record.ValueName});
    } else {
        undo.SaveErasedKey(RootKeyHandle(record.RootKey), record.KeyPath);
    }
    return true;
}

// The entry as the window names it in its questions: its category, a backslash, its text.
std::string ShownEntry(const TTreeNode& node)
{
    return (node.Parent() ? node.Parent()->Text() : std::string()) + "\\" + node.Text();
}

// A built-in entry is refused; any other needs a Yes to the warning that the control may be
// one the system needs.
bool AgreedDespiteRisk(Tfm_main& form, const TNodeData& record, const char* refusal, const char* warning)
{
    if (record.Deletable == 0) {
        form.ShowMessage(refusal, MB_ICONERROR);
        return false;
    }
    return form.ShowMessage(warning, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace

void Tfm_main::bt_deleteClick(TObject*)
{
    TTreeNode* node = m_tree.Selected();
    if (!node || !node->Data) return;
    const TNodeData& record = *node->Data;
    if (record.Deletable == 0) {
        ShowMessage("这个是系统的必要配置，请不要删除。", MB_ICONERROR);
        return;
    }
    if (ShowMessage("你确定要删除 “" + ShownEntry(*node) + "” 吗？", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    // Nothing is erased that the record could not take back.
    TUndoRecord undo("删除", ShownEntry(*node));
    bool erased = false;
    if (NamesListedEntry(record) && SaveDeletedEntry(undo, record) && undo.Write()) {
        TRegistry reg;
        erased = record.IsActiveX == 1 ? EraseControl(reg, record.Clsid, record.View) : EraseHook(reg, record);
        undo.Settle();
    }
    if (!erased) {
        // The same icon as on success.
        ShowMessage("删除失败！", MB_ICONINFORMATION);
        return;
    }
    ShowMessage("删除完毕！", MB_ICONINFORMATION);
    delete node->Data;
    node->Data = nullptr;
    // The tree reports the next selection itself, and the buttons follow it.
    m_tree.Delete(node);
}

void Tfm_main::bt_delfileClick(TObject*)
{
    const TTreeNode* node = m_tree.Selected();
    if (!node || !node->Data) return;
    const TNodeData& record = *node->Data;
    if (!AgreedDespiteRisk(*this, record, "这个是系统的必要文件，请不要删除。",
                           "如果此控件为系统控件，删除会造成系统出问题\r\n\r\n你确定要删除此文件吗？")) {
        return;
    }
    // A row listed under a name that reaches another entry shows the file of that entry's class.
    const bool exact = NamesListedEntry(record);
    const TFileView view = record.FileView();
    if (exact && !FileExists(record.FileName, 0, view)) {
        ShowMessage(record.FileName + " 文件不存在！", MB_ICONERROR);
        return;
    }
    bool deleted = false;
    // A name the path functions trim reaches another file than the one the registry names.
    if (exact && !EndsTrimmed(record.FileName)) {
        // The entry and its file line stay until the next rescan. The file that goes, and that
        // the record keeps, is the one the entry's own process loads.
        TUndoRecord undo("删除文件", ShownEntry(*node));
        const std::string file = PathInView(record.FileName, view);
        undo.SaveFile(file);
        const TFileViewScope scope(view);
        deleted = undo.Write() && ShellApi().DeleteFile(file.c_str());
        undo.Settle();
    }
    if (deleted) {
        ShowMessage(record.FileName + " 删除完成！", MB_ICONINFORMATION);
    } else {
        ShowMessage(record.FileName + " 删除失败！", MB_ICONERROR);
    }
}

void Tfm_main::bt_delactivexClick(TObject*)
{
    const TTreeNode* node = m_tree.Selected();
    if (!node || !node->Data) return;
    const TNodeData& record = *node->Data;
    if (!AgreedDespiteRisk(*this, record, "这个是系统的必要控件，请不要删除。",
                           "如果此控件为系统控件，注销会造成系统出问题\r\n\r\n你确定要注销吗？")) {
        return;
    }
    bool erased = false;
    // An empty identifier would name the whole class store.
    if (IsSingleKeyName(record.Clsid) && NamesListedEntry(record)) {
        TUndoRecord undo("注销ActiveX", ShownEntry(*node));
        // The class as registered in the entry's own view.
        const std::string classKey = ViewKeyPath(record.View, ClassesClsidKey) + record.Clsid;
        undo.SaveErasedKey(HKEY_LOCAL_MACHINE, classKey);
        if (undo.Write()) {
            TRegistry reg;
            reg.SetRoot(HKEY_LOCAL_MACHINE);
            erased = reg.EraseKey(classKey);
            reg.LeaveKey();
            undo.Settle();
        }
    }
    // Only the machine-wide class key goes; the tree shows the change at the next rescan.
    ShowMessage(node->Text() + (erased ? " 注销完成！" : " 注销失败！"), erased ? MB_ICONINFORMATION : MB_ICONERROR);
}

}  // namespace zv

// Disabling and re-enabling an add-on through the browser's per-user extension settings and
// the machine-wide compatibility flag.
#include "platform/ansi_text.h"
#include "plugins/action_keys.h"
#include "plugins/node_data.h"
#include "ui/w_main.h"
#include "undo/undo_record.h"

namespace zv {

namespace {

constexpr uint32_t kKillBit = 0x400;  // stops the browser from loading the class

// The per-user marks: their key's existence is what the scanners read as disabled.
bool WriteSettingsMarks(TRegistry& reg, const std::string& clsid)
{
    reg.SetRoot(HKEY_CURRENT_USER);
    if (!reg.EnterKey(ExtSettingsKey + clsid, true)) return false;
    try {
        reg.WriteText("Version", "*");
        reg.WriteNumber("Flags", 1);
        reg.LeaveKey();
    } catch (const ERegistryException&) {
        return false;
    }
    return true;
}

// A kill bit that was not written leaves the browser free to load the class, so a failed write
// is a failed disable even though its key could be created.
bool WriteCompatibilityFlag(TRegistry& reg, const std::string& flagKey)
{
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    if (!reg.EnterKey(flagKey, true)) return false;
    bool written = true;
    try {
        reg.WriteNumber("Compatibility Flags", kKillBit);
    } catch (const ERegistryException&) {
        written = false;
    }
    reg.LeaveKey();
    return written;
}

// The compatibility flag of the class in the entry's own view: each view's browser reads its own.
std::string CompatibilityKey(const TNodeData& record)
{
    return ViewKeyPath(record.View, ActiveXCompatibilityKey) + record.Clsid;
}

bool Disable(TRegistry& reg, const TNodeData& record)
{
    const bool settings = WriteSettingsMarks(reg, record.Clsid);
    // Attempted whatever the per-user step gave.
    const bool flag = WriteCompatibilityFlag(reg, CompatibilityKey(record));
    return settings && flag;
}

bool Enable(TRegistry& reg, const TNodeData& record)
{
    const std::string& clsid = record.Clsid;
    reg.SetRoot(HKEY_CURRENT_USER);
    const bool erased = reg.EraseKey(ExtSettingsKey + clsid);
    reg.LeaveKey();
    // The compatibility key may never have been written by this program: its removal is not
    // part of the outcome.
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    reg.EraseKey(CompatibilityKey(record));
    reg.LeaveKey();
    return erased;
}

// Asks, then disables or enables the entry as the button's caption says, and reports.
void SwitchEntry(Tfm_main& form, TTreeNode& node, const TNodeData& record)
{
    const std::string text = node.Text();
    const std::string caption = form.bt_onoff.Caption();
    // The name keeps the blank that opens the state mark; it stands before the closing quote.
    const size_t mark = text.find(" [");
    const std::string name = mark == std::string::npos ? std::string() : text.substr(0, mark + 1);
    const std::string parent = node.Parent() ? node.Parent()->Text() : std::string();
    if (form.ShowMessage("你确定要" + caption + " “" + parent + "\\" + name + "” 吗？", MB_OKCANCEL | MB_ICONQUESTION) !=
        IDOK) {
        return;
    }
    // An empty or compound identifier would put the marks on the parent key or below another
    // class. A change that the record could not take back is not made.
    const bool disable = caption == "禁用";
    bool done = false;
    if (IsSingleKeyName(record.Clsid) && NamesListedEntry(record)) {
        TUndoRecord undo(disable ? "禁用" : "启用", parent + "\\" + text);
        // The disable may create both keys; the enable only erases them.
        if (disable) {
            undo.SaveCreatedKey(HKEY_CURRENT_USER, ExtSettingsKey + record.Clsid);
            undo.SaveCreatedKey(HKEY_LOCAL_MACHINE, CompatibilityKey(record));
        } else {
            undo.SaveErasedKey(HKEY_CURRENT_USER, ExtSettingsKey + record.Clsid);
            undo.SaveErasedKey(HKEY_LOCAL_MACHINE, CompatibilityKey(record));
        }
        if (undo.Write()) {
            TRegistry reg;
            reg.AccessMask = KEY_WRITE;
            reg.SetRoot(HKEY_CURRENT_USER);
            done = disable ? Disable(reg, record) : Enable(reg, record);
            undo.Settle();
        }
    }
    if (disable && done) {
        form.ShowMessage(text + " 已经禁用！", MB_ICONINFORMATION);
        node.SetText(AnsiReplaceAllNoCase(text, "[启用]", "[已禁用]"));
    } else if (disable) {
        form.ShowMessage(text + " 禁用失败！", MB_ICONERROR);
    } else if (done) {
        form.ShowMessage(text + " 已经启用！", MB_ICONINFORMATION);
        node.SetText(AnsiReplaceAllNoCase(text, "[已禁用]", "[启用]"));
    } else {
        form.ShowMessage(text + " 启用失败！", MB_ICONERROR);
    }
}

}  // namespace

void Tfm_main::bt_onoffClick(TObject*)
{
    TTreeNode* node = m_tree.Selected();
    if (!node) return;
    if (node->Data) SwitchEntry(*this, *node, *node->Data);
    // Also after Cancel: the caption follows whatever the node's text now says.
    m_treeChange(&m_tree, m_tree.Selected());
}

}  // namespace zv

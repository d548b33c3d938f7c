#include "plugins/scan_entries.h"

#include "platform/ansi_text.h"
#include "plugins/plugin_texts.h"
#include "ui/w_main.h"

namespace zv {

bool ListNames(TRegistry& reg, uint32_t root, const std::string& key, TListKind kind, TStringList& names)
{
    reg.SetRoot(root);
    reg.AccessMask = KEY_READ;
    if (!reg.EnterKey(key, false)) return false;
    if (kind == TListKind::SubKeys) {
        reg.ListSubKeys(names);
    } else {
        reg.ListValues(names);
    }
    reg.LeaveKey();
    return true;
}

bool IsKeyName(const std::string& name)
{
    // A backslash can be the second byte of a double-byte character, which is no separator.
    return !name.empty() && AnsiPos(name, "\\") == std::string::npos;
}

const char* StatusSuffix(Tfm_main& form, const std::string& clsid)
{
    return form.IsExtensionDisabled(clsid) ? DisabledSuffix : EnabledSuffix;
}

TTreeNode* AddDetail(Tfm_main& form, TTreeNode* entry, const std::string& text, int picture)
{
    TTreeNode* child = form.m_tree.Add(entry, text);
    form.SetNodeIcon(child, picture);
    return child;
}

void AddViewDetail(Tfm_main& form, TTreeNode* entry, uint32_t root, const std::string& keyPath, TRegView view)
{
    if (view != TRegView::Wow32) return;
    const char* rootName = root == kHkeyCurrentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
    AddDetail(form, entry, rootName + keyPath, picDetail);
}

}  // namespace zv

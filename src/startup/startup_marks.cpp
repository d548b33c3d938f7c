#include "startup/startup_marks.h"

#include <cstring>
#include <vector>

#include "platform/registry.h"
#include "plugins/action_keys.h"
#include "plugins/node_data.h"

namespace zv {

namespace {

bool ContainsNoCase(const std::string& text, const std::string& part)
{
    auto lower = [](std::string s) {
        for (char& c : s) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return s;
    };
    return lower(text).find(lower(part)) != std::string::npos;
}

// Which mark belongs to which item, as Task Manager files them: a Run value under the root of
// its Run key, the 32-bit view's Run key (its path holds Wow6432Node) in Run32; a folder's
// files by their names under the folder's root.
void PlaceMark(TNodeData& record, uint32_t folderMarkRoot)
{
    if (!record.KeyPath.empty()) {
        record.MarkRoot = record.RootKey;
        record.MarkKey = ContainsNoCase(record.KeyPath, "Wow6432Node") ? ApprovedRun32Key : ApprovedRunKey;
        record.MarkName = record.ValueName;
    } else if (folderMarkRoot != 0) {
        record.MarkRoot = folderMarkRoot;
        record.MarkKey = ApprovedFolderKey;
        record.MarkName = record.ItemName;
    }
    if (record.MarkName.empty() || !IsExactName(record.MarkName)) record.MarkRoot = 0;
    if (record.MarkRoot == 0) {
        record.MarkKey.clear();
        record.MarkName.clear();
    }
}

// A value of another type or too short for the flags is not a mark Task Manager wrote.
TStartupMark ReadMark(HKEY key, const std::string& name)
{
    DWORD type = 0, size = 0;
    if (RegistryApi().QueryValueEx(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size < sizeof(DWORD)) {
        return TStartupMark::None;
    }
    std::vector<BYTE> data(size);
    if (RegistryApi().QueryValueEx(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size < sizeof(DWORD)) {
        return TStartupMark::None;
    }
    DWORD flags = 0;
    std::memcpy(&flags, data.data(), sizeof(flags));
    return (flags & 1) ? TStartupMark::Disabled : TStartupMark::Enabled;
}

}  // namespace

void ReadStartupMarks(const TTreeNode& group, uint32_t folderMarkRoot)
{
    // The items of a group share one marks key: it is opened once, not once per item.
    TRegistry reg;
    uint32_t openRoot = 0;
    std::string openKey;
    bool opened = false;
    for (size_t i = 0; i < group.Count(); ++i) {
        TNodeData* record = group.Item(i)->Data;
        if (!record) continue;
        PlaceMark(*record, folderMarkRoot);
        if (record->MarkRoot == 0) continue;
        if (record->MarkRoot != openRoot || record->MarkKey != openKey) {
            openRoot = record->MarkRoot;
            openKey = record->MarkKey;
            reg.LeaveKey();
            reg.SetRoot(openRoot);
            // The registry object reads HKEY_LOCAL_MACHINE in the 64-bit view, where Task Manager keeps it.
            reg.AccessMask = KEY_QUERY_VALUE;
            opened = reg.EnterKey(openKey, false);
        }
        if (opened) record->Mark = ReadMark(reg.CurrentKey(), record->MarkName);
    }
}

void SaveStartupMark(TUndoRecord& undo, const TNodeData& record)
{
    if (record.MarkRoot != 0) undo.SaveValues(RootKeyHandle(record.MarkRoot), record.MarkKey, {record.MarkName});
}

void EraseStartupMark(const TNodeData& record)
{
    if (record.MarkRoot == 0) return;
    TRegistry reg;
    reg.SetRoot(record.MarkRoot);
    reg.AccessMask = KEY_SET_VALUE;
    if (reg.EnterKey(record.MarkKey, false)) reg.EraseValue(record.MarkName);
    reg.LeaveKey();
}

const char* StartupMarkText(const TNodeData& record)
{
    return record.Mark == TStartupMark::Disabled ? " [已禁用]" : "";
}

}  // namespace zv

// Task Manager's marks on startup items (Windows 8 and later): a value per item in the
// StartupApproved keys, 12 bytes of which the first DWORD's lowest bit says disabled.
#pragma once
#include <cstdint>
#include <string>

#include "ui/treeview.h"
#include "undo/undo_record.h"

namespace zv {

// Where each item of a startup group is marked, and what the mark says. Run values are marked
// under their own root, in Run32 for the 32-bit view's Run key and in Run otherwise; the files
// of a startup folder in StartupFolder under `folderMarkRoot`: HKEY_CURRENT_USER for the current
// user's folders, HKEY_LOCAL_MACHINE for all users' folders, 0 for a folder Task Manager does
// not list (the old Windows Start Menu one), whose files then have no mark. A name that might
// read another item's mark (a "?", a zero byte, the empty default value) has no mark either.
void ReadStartupMarks(const TTreeNode& group, uint32_t folderMarkRoot);

// The item's mark, saved into the delete's undo record before the record is written: the delete
// removes the mark with the item, so that a program added again later is not kept off unseen.
void SaveStartupMark(TUndoRecord& undo, const TNodeData& record);
// Removes the item's mark, once the item itself is gone; a mark that is not there is no fault.
void EraseStartupMark(const TNodeData& record);

// The text drawn after a startup item's name: " [已禁用]" when Task Manager disabled it.
const char* StartupMarkText(const TNodeData& record);

}  // namespace zv

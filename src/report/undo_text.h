// What --history and --undo print: code-page text, as the log is.
#pragma once
#include <string>
#include <vector>

#include "undo/undo_history.h"

namespace zv {

// One line for each record, newest first: time, action, entry, state ("未撤销", "已撤销", or
// "已撤销，未能标记" for a record taken back whose mark could not be written); a record whose
// manifest cannot be read gives its folder's name and why.
std::string FormatHistory(const std::vector<TUndoHistoryEntry>& records);

// The change taken back, then one line for each key, value and file put back, each key left as
// it was because it already was as saved, why a file was not put back, and why the record could
// not be marked undone.
std::string FormatUndone(const TUndone& undone);

}  // namespace zv

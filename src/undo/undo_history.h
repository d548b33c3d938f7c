// The records the window wrote, as the companion lists them and takes them back.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "undo/undo_manifest.h"

namespace zv {

struct TUndoHistoryEntry {
    std::wstring Folder;  // the record's folder
    TUndoManifest Manifest;
    std::string Problem;  // why the manifest cannot be read; empty when it was read
};

// Every record in UndoFolder, newest first. A folder without a manifest is a record whose
// writing stopped half-way, before any change: it is left out.
std::vector<TUndoHistoryEntry> UndoHistory();

// What taking a record back did.
struct TUndone {
    TUndoHistoryEntry Record;
    // For each of the record's files: it was back already, with the same bytes, and was left
    // as it was.
    std::vector<bool> FileWasBack;
};

// Takes back the newest record not yet undone: checks first that no file it saved has come
// back with other content since, then imports its registry file, puts its files back with
// their attributes and times, and marks it undone. Nothing when every record is undone.
// Raises EError (EUndoError, ERegFileError) with the reason when the record cannot be read
// or taken back whole, or a file has come back; it then stays not undone, to be tried again.
std::optional<TUndone> UndoLatest();

}  // namespace zv

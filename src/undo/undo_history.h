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
    unsigned long Sequence = 0;
};

// Every record in UndoFolder, newest first by its sequence number. A folder without a manifest
// is a record whose writing stopped half-way, before any change: it is left out.
std::vector<TUndoHistoryEntry> UndoHistory();

// What taking a record back did.
struct TUndone {
    TUndoHistoryEntry Record;
    // For each of the record's files: it was back already, with the same bytes, and was left
    // as it was.
    std::vector<bool> FileWasBack;
    // For each of the record's files: why it was not put back (its folder is gone); empty
    // otherwise. Its copy stays in the record.
    std::vector<std::string> FileProblems;
    // The saved keys and values that were already as saved, and were left untouched.
    std::vector<std::string> Unchanged;
    // The record had been taken back before, but could not be marked then: only the mark was
    // written now.
    bool MarkedOnly = false;
    // Why the record, taken back, could not be marked undone; empty when it was. It stays
    // marked as begun, and is never applied again.
    std::string NotMarked;
};

// Takes back the newest record not yet undone. The record is refused, with the reason and
// nothing changed, unless it is exactly as the window wrote it: its parts whole by their sizes
// and hashes, its copies named as the window names them, its files' paths full and local, its
// registry file in the window's forms, naming only keys the manifest lists and the window's
// actions change. Then what is still as saved is passed over; everything else must be writable,
// and no file it saved may have come back with other content since, before anything is
// written. The record is marked as begun, its registry items and files are put back, and it is
// marked undone. A file whose folder is gone is not put back, and said so. Nothing when every
// record is undone.
// Raises EError (EUndoError, ERegFileError) with the reason when the record cannot be read,
// is refused or cannot be taken back whole; it then stays not undone, to be tried again.
std::optional<TUndone> UndoLatest();

}  // namespace zv

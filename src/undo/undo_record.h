// What one change of the window will alter, saved before the change so that it can be put back
// exactly: `ZorvaneReport --undo` takes the records back, newest first.
//
// Each record is a folder of its own in the records folder (UndoFolder), named after the UTC
// time of the change and a sequence number above every other record's ("20261208-071424-000042"):
// the sequence orders the records, whatever the clock did meanwhile. It holds:
//   manifest.txt   time, action, entry, what was saved, the size and SHA-256 of every other
//                  part, state (see undo_manifest.h);
//   registry.reg   the saved keys and values as a registry editor file (Windows Registry Editor
//                  Version 5.00, UTF-16LE), which also restores them when double-clicked;
//   file1, file2…  copies of the files the change deletes.
// Every part is on the disk before Write returns. Records are never removed once a change has
// been made: only Settle removes one, for a change that altered nothing.
//
// Use, after the user confirmed and before the first write or delete:
//     TUndoRecord record("删除", category + "\\" + node.Text());
//     record.SaveErasedKey(HKEY_LOCAL_MACHINE, keyPath);
//     if (!record.Write()) { report the action's failure; return; }
//     ... the change ...
//     record.Settle();
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "undo/undo_manifest.h"

namespace zv {

class TUndoRecord {
public:
    // Code-page texts: the action as the window names it ("删除", "禁用", "删除文件",
    // "注销ActiveX", "恢复浏览器主页地址", "删除启动项目"), the entry as the window showed it.
    TUndoRecord(std::string action, std::string entry);

    // A key the change may erase or change but never creates, with everything below it. A key
    // that does not exist is not saved: the change cannot touch it, and the undo leaves it be.
    void SaveErasedKey(HKEY root, const std::string& path);
    // A key the change may create, with everything below it. When it does not exist, the undo
    // deletes it again, and then each of its parents up to the highest that did not exist
    // either while that parent holds nothing else.
    void SaveCreatedKey(HKEY root, const std::string& path);
    // Values of one key the change may overwrite or delete (an empty name is the default
    // value). A value that does not exist is deleted on undo; when the key does not exist,
    // nothing is saved for it.
    void SaveValues(HKEY root, const std::string& path, const std::vector<std::string>& names);
    // A file the change may delete: copied into the record with its attributes and times, and
    // recorded by its full path. A path that names no file saves nothing.
    void SaveFile(const std::string& path);

    // Reads what was named above and writes the record. False, with nothing left behind, when
    // any part of it cannot be written: the records folder cannot be created or written, a
    // key cannot be read or cannot be saved faithfully, a file cannot be copied. Paths and
    // names are converted from the code page; the caller keeps "?" out of them.
    bool Write();

    // After the change: removes the record again when what it saved is all as it was (the
    // change failed or found nothing to do), and keeps it otherwise.
    void Settle();

    // The record's folder once written; empty before, after a failed Write and after Settle
    // removed it.
    const std::wstring& Folder() const { return m_folder; }

private:
    struct TKeyItem {
        TUndoKey::TMode Mode = TUndoKey::TMode::Tree;
        HKEY Root = nullptr;
        std::wstring Path;
        std::vector<std::wstring> Names;
    };

    // The registry file's bytes, and the keys it saves.
    std::string RegistryFile(std::vector<TUndoKey>& keys) const;
    void WriteParts();
    bool FilesAsSaved() const;

    TUndoManifest m_manifest;
    std::vector<TKeyItem> m_keys;
    std::vector<std::string> m_filePaths;
    std::vector<WIN32_FILE_ATTRIBUTE_DATA> m_fileFacts;  // of m_manifest.Files, as saved
    std::string m_registryFile;
    std::wstring m_folder;
};

// The folder that holds one folder per record: Zorvane in the user's application data folder
// (CSIDL_APPDATA). Raises EUndoError when the system names no such folder.
std::wstring UndoFolder();

// Points the records elsewhere, for tests: a temporary folder, or a path that cannot be
// created so that Write fails. An empty path goes back to UndoFolder's own.
void SetUndoFolder(const std::wstring& folder);

// Removes a record's folder with everything in it; false when something stays.
bool RemoveRecordFolder(const std::wstring& folder);

// The sequence number of a record's folder name as Write names it; 0 for any other name.
unsigned long RecordSequence(const std::wstring& name);

}  // namespace zv

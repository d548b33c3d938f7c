// Fixtures shared by the tests: registry keys and folders that clean up after themselves,
// scripted answers to message boxes, and message pumping for window tests.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/shell_api.h"
#include "ui/w_main.h"

namespace zvtest {

// A registry key created for one test and removed, with everything below it, afterwards.
// A key left at that path by an earlier run is removed first, so each test starts clean:
// give it paths of the test's own, never a key the prefix itself holds.
class TRegKeyFixture {
public:
    TRegKeyFixture(HKEY root, std::string path);
    ~TRegKeyFixture();
    TRegKeyFixture(const TRegKeyFixture&) = delete;
    TRegKeyFixture& operator=(const TRegKeyFixture&) = delete;

    const std::string& Path() const { return m_path; }
    void SetText(const std::string& sub, const std::string& name, const std::string& text,
                 DWORD type = REG_SZ) const;
    void SetNumber(const std::string& sub, const std::string& name, DWORD value) const;
    void SetRaw(const std::string& sub, const std::string& name, DWORD type, const void* data, DWORD size) const;
    void CreateSub(const std::string& sub) const;

private:
    HKEY m_root;
    std::string m_path;
};

// Registry helpers that bypass the program's registry object, for checking what it did.
bool KeyExists(HKEY root, const std::string& path);
bool ValueExists(HKEY root, const std::string& path, const std::string& name);
std::string ReadString(HKEY root, const std::string& path, const std::string& name);
DWORD ReadDword(HKEY root, const std::string& path, const std::string& name);
void DeleteTree(HKEY root, const std::string& path);
// Sub-key names in the order the registry enumerates them.
std::vector<std::string> EnumSubKeys(HKEY root, const std::string& path);
std::vector<std::string> EnumValues(HKEY root, const std::string& path);

// A fresh folder under the temp directory, removed with its contents afterwards.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name, const std::string& content = "x") const;

private:
    std::string m_path;
};
void RemoveTree(const std::string& path);

// A share that Wine serves: it maps \\SERVER\SHARE to the prefix's dosdevices\unc\SERVER\SHARE,
// so files behind this network path really exist. Removed with its contents afterwards.
class TNetworkShare {
public:
    TNetworkShare();
    ~TNetworkShare();
    TNetworkShare(const TNetworkShare&) = delete;
    TNetworkShare& operator=(const TNetworkShare&) = delete;
    static constexpr char kServer[] = "zvnet";
    static constexpr char kShare[] = "share";
    // Creates the file through the folder behind the share; returns its path \\zvnet\share\name.
    std::string File(const std::string& name) const;

private:
    std::string m_dosDevices;  // its Unix path
};

// A drive letter that the system reports as remote (GetDriveTypeA = DRIVE_REMOTE), defined
// through Wine's mount manager on a fresh folder, and removed afterwards.
class TRemoteDrive {
public:
    TRemoteDrive();
    ~TRemoteDrive();
    TRemoteDrive(const TRemoteDrive&) = delete;
    TRemoteDrive& operator=(const TRemoteDrive&) = delete;
    // Creates the file on the drive; returns its path, such as R:\name.
    std::string File(const std::string& name) const;

private:
    void Define();
    TTempDir m_folder;
    char m_letter = 0;
};

// A file whose name is a reserved device name (com1.exe), which no ordinary path can create or
// remove: made through Wine's \\?\unix form, and removed the same way afterwards.
class TDeviceNamedFile {
public:
    TDeviceNamedFile(const std::string& folder, const std::string& name);
    ~TDeviceNamedFile();
    TDeviceNamedFile(const TDeviceNamedFile&) = delete;
    TDeviceNamedFile& operator=(const TDeviceNamedFile&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path, m_unixPath;
};

// Every path that reaches the shell seam's calls (file search, icon, properties, delete, version
// record), recorded while the object lives; each call is passed on to the entry it wraps.
class TPathRecorder {
public:
    TPathRecorder();
    ~TPathRecorder();
    TPathRecorder(const TPathRecorder&) = delete;
    TPathRecorder& operator=(const TPathRecorder&) = delete;
    static std::vector<std::string> paths;
    // The icon requests among them, with the flags they were made with.
    struct TIconCall {
        std::string path;
        UINT flags;
    };
    static std::vector<TIconCall> iconCalls;
    // The recorded paths that contain `part`, letters compared without case.
    std::vector<std::string> Holding(const std::string& part) const;

private:
    zv::TShellApi m_saved;
};

// Points the records of this process elsewhere for one object's life (zv::SetUndoFolder), and
// back to where they went before afterwards: a temporary folder, a path that cannot be created
// so that writing a record fails, or empty for the user's own records folder.
class TUndoFolderSeam {
public:
    explicit TUndoFolderSeam(const std::string& folder);
    ~TUndoFolderSeam();
    TUndoFolderSeam(const TUndoFolderSeam&) = delete;
    TUndoFolderSeam& operator=(const TUndoFolderSeam&) = delete;

private:
    std::wstring m_previous;
};

// The records folder the window and the report program share (Zorvane in the prefix's
// application data folder), used by this process and emptied for one test and afterwards: the
// records of other tests' changes are not this test's to take back. Every test program keeps
// its records in a folder of its own otherwise (see test_main.cpp).
class TUndoRecordsFixture {
public:
    TUndoRecordsFixture();
    ~TUndoRecordsFixture();
    TUndoRecordsFixture(const TUndoRecordsFixture&) = delete;
    TUndoRecordsFixture& operator=(const TUndoRecordsFixture&) = delete;

private:
    TUndoFolderSeam m_shared{""};
    std::string m_path;
};

struct TShownBox {
    std::string text;
    std::string caption;
    UINT type = 0;
    HWND owner = nullptr;
};

// Answers the program's message boxes and standard error boxes, and records each one.
class TMessageRecorder {
public:
    explicit TMessageRecorder(zv::Tfm_main& form);
    ~TMessageRecorder();
    void Answer(int result) { m_answers.push_back(result); }
    std::vector<TShownBox> boxes;
    // The standard error boxes: their texts, and each box whole.
    std::vector<std::string> errors;
    std::vector<TShownBox> errorBoxes;

private:
    zv::Tfm_main& m_form;
    std::deque<int> m_answers;
};

// The text the window's tree view shows for an item; "<no item>" when it has none.
std::string TreeItemText(HWND tree, HTREEITEM item);
// The texts of an item's children (of the top level for TVI_ROOT) in the view's order.
std::vector<std::string> TreeChildTexts(HWND tree, HTREEITEM parent);

// Handles pending window messages of this thread.
void PumpMessages();
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

}  // namespace zvtest

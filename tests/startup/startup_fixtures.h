// What the startup tests set up in the real registry and file system of the test prefix, and
// leave as they found it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/shell_api.h"
#include "zvtest.h"

namespace zvtest {

extern const char kRunKey[];

// A Run key for one test: the values it held are set aside, the test writes its own, and
// afterwards its own are removed and the old ones put back. The key itself stays.
class TRunKeyFixture {
public:
    explicit TRunKeyFixture(HKEY root);
    ~TRunKeyFixture();
    TRunKeyFixture(const TRunKeyFixture&) = delete;
    TRunKeyFixture& operator=(const TRunKeyFixture&) = delete;

    void SetText(const std::string& name, const std::string& data, DWORD type = REG_SZ) const;
    void SetNumber(const std::string& name, DWORD value) const;
    void Remove(const std::string& name) const;

private:
    struct TSavedValue {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    void ClearValues() const;
    HKEY m_root;
    bool m_existed;
    std::vector<TSavedValue> m_saved;
};

// The three startup folders of the prefix, created empty for one test (with whatever parents
// were missing) and removed with their contents afterwards, as far as the test created them.
class TStartupFoldersFixture {
public:
    TStartupFoldersFixture();
    ~TStartupFoldersFixture();
    TStartupFoldersFixture(const TStartupFoldersFixture&) = delete;
    TStartupFoldersFixture& operator=(const TStartupFoldersFixture&) = delete;

    std::string currentUser, allUsers, windowsStartMenu;
    // Creates a file in a folder; returns its path.
    static std::string File(const std::string& folder, const std::string& name, DWORD attributes = 0);

private:
    std::vector<std::string> m_created;
};

// Records what reaches ShellExecuteEx instead of opening a property sheet, for one test.
class TShellExecuteRecorder {
public:
    TShellExecuteRecorder();
    ~TShellExecuteRecorder();
    TShellExecuteRecorder(const TShellExecuteRecorder&) = delete;
    TShellExecuteRecorder& operator=(const TShellExecuteRecorder&) = delete;

    struct TCall {
        std::string verb, file;
        ULONG mask;
        HWND owner;
        int show;
    };
    static std::vector<TCall> calls;

private:
    zv::TShellApi m_saved;
};

// The startup places of the prefix, emptied for one test.
struct TStartupPlaces {
    TRunKeyFixture userRun{HKEY_CURRENT_USER};
    TRunKeyFixture machineRun{HKEY_LOCAL_MACHINE};
    TStartupFoldersFixture folders;
};

// A program whose path holds a blank: <dir>\My App\app.exe.
std::string ProgramWithBlank(const TTempDir& dir);

// A node's row (or, with labelOnly, its label) as the tree view reports it.
RECT ItemRect(HWND tree, const zv::TTreeNode* node, bool labelOnly);

// The first item of the group whose record names it, or null.
zv::TTreeNode* FindItem(zv::TTreeView& tree, const std::string& itemName);
std::vector<std::string> ItemNames(const zv::TTreeNode* group);

}  // namespace zvtest

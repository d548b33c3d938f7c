// What the action tests share: registry changes that undo exactly themselves, seams that
// restore themselves, the real main window, and the plug-in tree as the user sees it.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/shell_api.h"
#include "plugins/node_data.h"
#include "registry_log.h"
#include "zvtest.h"

namespace actionstest {

// The registry's places as the tests spell them, apart from the program's own constants.
inline constexpr char kClassesClsid[] = "SOFTWARE\\Classes\\CLSID\\";
inline constexpr char kExtSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";
inline constexpr char kExtStats[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\";
inline constexpr char kCompatibility[] = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\";
inline constexpr char kDistributionUnits[] = "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units\\";
inline constexpr char kToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";

using TKeyHandle = zv::TUniqueHandle<zv::TNullHandleTraits<HKEY, RegCloseKey>>;

// The key opened or, with create, created with its parents; empty when that failed.
TKeyHandle OpenKey(HKEY root, const std::string& path, REGSAM access, bool create = false);
void DeleteValue(HKEY root, const std::string& path, const std::string& name);

// Keys and values a test adds to the registry. Each addition must be new; at the end the
// values are removed and every key that did not exist before is removed with what is below
// it, so keys that were there already (the prefix's own) keep everything of theirs.
class TRegistryScratch {
public:
    TRegistryScratch() = default;
    TRegistryScratch(const TRegistryScratch&) = delete;
    TRegistryScratch& operator=(const TRegistryScratch&) = delete;
    ~TRegistryScratch();

    // A key the program under test is expected to create: removed at the end as far as it was
    // missing now.
    void Claim(HKEY root, const std::string& path);
    void Text(HKEY root, const std::string& path, const std::string& name, const std::string& text);
    void Number(HKEY root, const std::string& path, const std::string& name, DWORD value);
    // A startup mark as Task Manager writes it: the flags, then the time of the change.
    void Mark(HKEY root, const std::string& path, const std::string& name, DWORD flags);

private:
    struct TAdded {
        HKEY root;
        std::string path;
        std::string value;
        bool isKey;
    };
    void Key(HKEY root, const std::string& path);
    void Value(HKEY root, const std::string& path, const std::string& name, DWORD type, const void* data,
               DWORD size);
    std::vector<TAdded> m_added;
};

// A key of the prefix's own that a test changes or removes, saved with everything below it
// and put back exactly (values, types, sub-keys) at the end.
class TKeyBackup {
public:
    TKeyBackup(HKEY root, std::string path);
    TKeyBackup(const TKeyBackup&) = delete;
    TKeyBackup& operator=(const TKeyBackup&) = delete;
    ~TKeyBackup();

    struct TValue {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    struct TKey {
        std::string name;
        std::vector<TValue> values;
        std::vector<TKey> subKeys;
    };

private:
    HKEY m_root;
    std::string m_path;
    bool m_existed;
    TKey m_saved;
};

// The seam tables as the test found them, put back at the end.
class TSeamRestore {
public:
    TSeamRestore() : m_registry(zv::RegistryApi()), m_shell(zv::ShellApi()) {}
    TSeamRestore(const TSeamRestore&) = delete;
    TSeamRestore& operator=(const TSeamRestore&) = delete;
    ~TSeamRestore()
    {
        zv::RegistryApi() = m_registry;
        zv::ShellApi() = m_shell;
    }

private:
    zv::TRegistryApi m_registry;
    zv::TShellApi m_shell;
};

// Registry calls made to fail as Wine cannot (it grants every right), until the test's
// TSeamRestore puts the table back. Each wraps the entry the table holds when it is called.
void DenyCreateKeyUnder(HKEY root);
void FailSetValueNamed(const std::string& name);
void FailDeleteKeyEndingWith(const std::string& tail);
void DenyOpenKeyEndingWith(const std::string& tail);

// The action asked for keys at all, and for each with exactly `access`; it created none unless
// `creates` allows it.
void ExpectAccess(const zvtest::TRegistryLog& log, REGSAM access, bool creates = false);

// What reached the shell's ShellExecuteEx: the real call is never made (Wine has no property
// sheets and may raise a modal error box).
struct TShellRequest {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    std::string verb;
    std::string file;
    bool hasParameters;
    bool hasDirectory;
    int nShow;
};
std::vector<TShellRequest>& ShellRequests();
void CaptureShellExecute();

// The main window, created for real under Xvfb with its scans run, its message boxes answered
// by a recorder and the shell kept from showing anything.
class TLiveForm {
public:
    explicit TLiveForm(bool withWindow = true);
    TLiveForm(const TLiveForm&) = delete;
    TLiveForm& operator=(const TLiveForm&) = delete;
    ~TLiveForm();

    zv::Tfm_main& form() { return *m_form; }
    zvtest::TMessageRecorder& rec() { return *m_rec; }

    zv::TTreeNode* Category(size_t index) const;
    zv::TTreeNode* Entry(size_t category, const std::string& textPrefix) const;
    // Selects through the real tree view, as a click on the row does.
    void Select(zv::TTreeNode* node);
    // A click on the button's window, refused like a user's when the button is disabled.
    bool Click(zv::TButton& button);

    // The text the Win32 tree view shows for the node.
    std::string ViewText(const zv::TTreeNode* node) const;
    // The texts of the node's children as the Win32 tree view orders them.
    std::vector<std::string> ViewChildren(const zv::TTreeNode* parent) const;
    std::vector<std::string> ModelChildren(const zv::TTreeNode* parent) const;
    std::string WindowCaption(const zv::TButton& button) const;

private:
    TSeamRestore m_seams;
    std::unique_ptr<zv::Tfm_main> m_form;
    std::unique_ptr<zvtest::TMessageRecorder> m_rec;
};

// A class registered machine-wide as the scanners resolve it: display name and server file.
void RegisterClass(TRegistryScratch& scratch, const std::string& clsid, const std::string& displayName,
                   const std::string& serverFile);

// An entry node with a record, added to a category as a scanner adds one; for kinds of record
// that no stored registry layout produces.
zv::TTreeNode* AddEntry(zv::Tfm_main& form, zv::TTreeNode* category, const std::string& text,
                        const std::function<void(zv::TNodeData&)>& fill);

}  // namespace actionstest

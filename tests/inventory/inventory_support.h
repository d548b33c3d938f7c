// What the inventory tests share: the keys the scanners read, class registrations and
// folders that clean up after themselves, and the plug-in tree read back as the user sees it.
#pragma once
#include <windows.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/shell_api.h"
#include "plugins/node_data.h"
#include "zvtest.h"

namespace inventorytest {

inline constexpr char kHelperObjectsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
inline constexpr char kToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
inline constexpr char kExplorerBarsKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars";
inline constexpr char kExtensionsKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
inline constexpr char kMenuExtKey[] = "Software\\Microsoft\\Internet Explorer\\MenuExt";
inline constexpr char kUrlSearchHooksKey[] = "Software\\Microsoft\\Internet Explorer\\URLSearchHooks";
inline constexpr char kShellExecuteHooksKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";
inline constexpr char kDistributionUnitsKey[] = "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units";
inline constexpr char kExtStatsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats";
inline constexpr char kExtSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";

// Category texts of the plug-in tree.
inline constexpr char kHelperObjects[] = "浏览器帮助程序对象(Browser Helper Object)";
inline constexpr char kToolbars[] = "工具栏(Toolbar)";
inline constexpr char kExplorerBars[] = "浏览器栏(Explorerbar)";
inline constexpr char kExtensions[] = "菜单/按钮(Extensions)";
inline constexpr char kMenuExt[] = "浏览器右键菜单(MenuExt)";
inline constexpr char kActiveX[] = "ActiveX 控件";
inline constexpr char kUrlSearchHooks[] = "URL 搜索钩子";
inline constexpr char kShellExecuteHooks[] = "执行钩子(ShellExecuteHooks)";

// A class identifier of these tests' own, upper-case like the registry's, never a real class.
std::string FakeId(int n);

std::string WindowsDir();
std::string SystemDir();

// The parent keys that a fixture's key lacks, removed after the fixture's own key.
class TCreatedParents {
public:
    TCreatedParents(HKEY root, const std::string& path);
    ~TCreatedParents();
    TCreatedParents(const TCreatedParents&) = delete;
    TCreatedParents& operator=(const TCreatedParents&) = delete;

private:
    HKEY m_root;
    std::string m_topCreated;
};

// A key created for one test and removed afterwards with the parents it had to create, so the
// registry is left exactly as it was found.
class TKeyFixture : private TCreatedParents, public zvtest::TRegKeyFixture {
public:
    TKeyFixture(HKEY root, const std::string& path) : TCreatedParents(root, path), TRegKeyFixture(root, path) {}
};

// Class registrations under HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID, removed afterwards.
class TClasses {
public:
    // An empty display name leaves the default value out; an empty server leaves out the
    // InprocServer32 key.
    void Add(const std::string& clsid, const std::string& displayName, const std::string& server = {});

private:
    std::vector<std::unique_ptr<TKeyFixture>> m_keys;
};

// Classes marked disabled by the per-user add-on settings, removed afterwards.
class TDisabled {
public:
    void Add(const std::string& clsid);

private:
    std::vector<std::unique_ptr<TKeyFixture>> m_keys;
};

// A folder under the Windows directory, so that server paths can name it through
// %SystemRoot%; removed with its contents afterwards.
class TWindowsFolder {
public:
    TWindowsFolder();
    ~TWindowsFolder();
    TWindowsFolder(const TWindowsFolder&) = delete;
    TWindowsFolder& operator=(const TWindowsFolder&) = delete;
    // Its path below the Windows directory, e.g. "zvinv123".
    const std::string& Name() const { return m_name; }
    std::string Path() const;
    std::string File(const std::string& name) const;

private:
    std::string m_name;
};

// A file in the Windows or the system directory itself, removed afterwards.
class TLooseFile {
public:
    TLooseFile(const std::string& directory, const std::string& name);
    ~TLooseFile();
    TLooseFile(const TLooseFile&) = delete;
    TLooseFile& operator=(const TLooseFile&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// The seam tables as the test found them, put back at the end.
class TSeamRestore {
public:
    TSeamRestore() : m_registry(zv::RegistryApi()), m_shell(zv::ShellApi()) {}
    TSeamRestore(const TSeamRestore&) = delete;
    TSeamRestore& operator=(const TSeamRestore&) = delete;
    ~TSeamRestore();

private:
    zv::TRegistryApi m_registry;
    zv::TShellApi m_shell;
};

// The main window's logic without a window, its tree rebuilt by the real scan. Its records
// are disposed at the end, as the window's destruction would; every record the scan
// allocated is then gone.
class TScan {
public:
    explicit TScan(bool withWindow = false);
    ~TScan();
    TScan(const TScan&) = delete;
    TScan& operator=(const TScan&) = delete;

    zv::Tfm_main& form() { return *m_form; }
    void Rebuild() { m_form->ScanPlugins(); }
    zv::TTreeNode* Category(const std::string& text) const;
    // The entry of a category whose text starts with `prefix`; a test failure when none.
    zv::TTreeNode* Entry(const std::string& category, const std::string& prefix) const;

private:
    long m_liveBefore;
    std::unique_ptr<zv::Tfm_main> m_form;
};

// A plug-in entry's record, field by field, comparable as a whole (the two fields of startup
// items are left out: they must stay empty, which Fields checks).
struct TRecordFields {
    uint32_t root = 0;
    std::string keyPath, valueName, clsid, fileName;
    int deletable = 0, isActiveX = 0, canDisable = 0;
    bool operator==(const TRecordFields&) const = default;
};
void PrintTo(const TRecordFields& r, std::ostream* os);
// The entry's record; a test failure, and empty fields, when it has none.
TRecordFields Fields(const zv::TTreeNode* entry);

// A node's children as texts, and as texts with pictures.
std::vector<std::string> Texts(const zv::TTreeNode* parent);
using TShownNode = std::pair<std::string, int>;
std::vector<TShownNode> Shown(const zv::TTreeNode* parent);

}  // namespace inventorytest

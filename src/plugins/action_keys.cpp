#include "plugins/action_keys.h"

#include "platform/ansi_text.h"
#include "platform/file_io.h"
#include "platform/registry.h"
#include "plugins/node_data.h"
#include "plugins/scan_entries.h"

namespace zv {

bool IsExactName(const std::string& name)
{
    // Neither byte can be the second half of a double-byte character.
    return name.find_first_of(std::string("\0?", 2)) == std::string::npos;
}

bool IsSingleKeyName(const std::string& name) { return IsKeyName(name) && IsExactName(name); }

bool IsEntryKeyPath(const std::string& path)
{
    size_t from = 0;
    for (;;) {
        const size_t slash = AnsiPos(path.substr(from), "\\");
        if (slash == std::string::npos) return IsSingleKeyName(path.substr(from));
        if (!IsSingleKeyName(path.substr(from, slash))) return false;
        from += slash + 1;
    }
}

namespace {

// `path` is `base` and a single key name below it.
bool IsEntryBelowOne(const std::string& path, const std::string& base)
{
    const std::string prefix = base.back() == '\\' ? base : base + "\\";
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
           IsSingleKeyName(path.substr(prefix.size()));
}

// The same below `base` in either registry view: machine keys of the 32-bit view are named by
// their real path below Wow6432Node.
bool IsEntryBelow(const std::string& path, const std::string& base)
{
    return IsEntryBelowOne(path, base) || IsEntryBelowOne(path, ViewKeyPath(TRegView::Wow32, base));
}

// `path` is `key` in either view.
bool IsKeyInEitherView(const std::string& path, const std::string& key)
{
    return path == key || path == ViewKeyPath(TRegView::Wow32, key);
}

}  // namespace

bool IsErasedActionKey(HKEY root, const std::string& path)
{
    if (root == HKEY_LOCAL_MACHINE) {
        for (const char* base : {HelperObjectsKey, ExplorerBarsKey, ExtensionsKey, DistributionUnitsKey,
                                 ClassesClsidKey, ActiveXCompatibilityKey}) {
            if (IsEntryBelow(path, base)) return true;
        }
    } else if (root == HKEY_CURRENT_USER) {
        if (path == HomePageLockKey) return true;
        for (const char* base : {MenuExtKey, ExtSettingsKey, ExtStatsKey}) {
            if (IsEntryBelow(path, base)) return true;
        }
    }
    return false;
}

bool IsCreatedActionKey(HKEY root, const std::string& path)
{
    return (root == HKEY_CURRENT_USER && IsEntryBelow(path, ExtSettingsKey)) ||
           (root == HKEY_LOCAL_MACHINE && IsEntryBelow(path, ActiveXCompatibilityKey));
}

bool IsChangedActionValue(HKEY root, const std::string& path, const std::string& name)
{
    if (!IsExactName(name)) return false;
    if (path == ApprovedRunKey || path == ApprovedRun32Key || path == ApprovedFolderKey) {
        return root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE;
    }
    if (path == RunKey) return root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE;
    if (root == HKEY_LOCAL_MACHINE) {
        return IsKeyInEitherView(path, RunKey) || IsKeyInEitherView(path, ToolbarKey) ||
               IsKeyInEitherView(path, ShellExecuteHooksKey);
    }
    if (root == HKEY_CURRENT_USER) return path == UrlSearchHooksKey || (path == HomePageKey && name == "Start Page");
    return false;
}

bool NamesListedEntry(const TNodeData& record)
{
    if (record.KeyPath.empty()) {
        const std::string& name = record.ItemName;
        const std::string& path = record.FileName;
        if (path.size() <= name.size() || path.compare(path.size() - name.size(), name.size(), name) != 0) return false;
        return NamesOneFolderEntry(path.substr(0, path.size() - name.size()), name);
    }
    TRegistry reg;
    reg.SetRoot(record.RootKey);
    if (record.IsValue) return reg.NamesOneValue(record.KeyPath, record.ValueName);
    if (record.IsActiveX) {
        // Listed by its class among the download records or the per-user statistics.
        std::string listedIn = record.RootKey == kHkeyLocalMachine ? ViewKeyPath(record.View, DistributionUnitsKey)
                                                                    : std::string(ExtStatsKey);
        listedIn.pop_back();
        return reg.NamesOneSubKey(listedIn, record.Clsid);
    }
    const size_t cut = AnsiLastDelimiter(record.KeyPath, "\\");
    return cut != std::string::npos && reg.NamesOneSubKey(record.KeyPath.substr(0, cut), record.KeyPath.substr(cut + 1));
}

}  // namespace zv

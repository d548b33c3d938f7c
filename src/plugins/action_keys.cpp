#include "plugins/action_keys.h"

#include "platform/ansi_text.h"
#include "platform/registry.h"
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
    if (path == RunKey) return root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE;
    if (root == HKEY_LOCAL_MACHINE) {
        return IsKeyInEitherView(path, RunKey) || IsKeyInEitherView(path, ToolbarKey) ||
               IsKeyInEitherView(path, ShellExecuteHooksKey);
    }
    if (root == HKEY_CURRENT_USER) return path == UrlSearchHooksKey || (path == HomePageKey && name == "Start Page");
    return false;
}

}  // namespace zv

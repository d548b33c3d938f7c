// Registry keys that the plug-in actions change, and the checks that keep a name read from the
// registry from reaching beyond the one entry it names.
#pragma once
#include <windows.h>

#include <string>

namespace zv {

struct TNodeData;

inline constexpr char ExtSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";
inline constexpr char ExtStatsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\";
inline constexpr char ActiveXCompatibilityKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\";
inline constexpr char DistributionUnitsKey[] = "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units\\";
inline constexpr char ClassesClsidKey[] = "SOFTWARE\\Classes\\CLSID\\";
// Under HKEY_CURRENT_USER: the policy that can lock the home page, and the key of the page.
inline constexpr char HomePageLockKey[] = "Policies\\Microsoft\\Internet Explorer\\Control Panel";
inline constexpr char HomePageKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
// The extension points whose entries the delete removes: a sub-key per entry, or a value per
// entry (the key's default value included). The Internet Explorer ones are under
// HKEY_LOCAL_MACHINE but for the search hooks and the context-menu extensions.
inline constexpr char HelperObjectsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
inline constexpr char ToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
inline constexpr char ExplorerBarsKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars";
inline constexpr char UrlSearchHooksKey[] = "Software\\Microsoft\\Internet Explorer\\URLSearchHooks";
inline constexpr char ShellExecuteHooksKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";
inline constexpr char ExtensionsKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
inline constexpr char MenuExtKey[] = "Software\\Microsoft\\Internet Explorer\\MenuExt";
// Under both roots: the values the startup page deletes.
inline constexpr char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Under both roots: where Task Manager marks startup items enabled or disabled, a value per
// item, named as the item's Run value (Run32: of the 32-bit view's Run key) or its file in a
// startup folder. The startup delete removes an item's mark with it.
inline constexpr char ApprovedRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
inline constexpr char ApprovedRun32Key[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";
inline constexpr char ApprovedFolderKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

// A name that reaches exactly the entry it was listed as: no zero byte that would end it
// early in another entry's name, and no "?", which the ANSI registry functions put in place of
// every character the code page cannot hold, so that "x😀" and "x??" are read alike and an
// action on the one would reach the other. No class identifier or add-on name needs a "?".
bool IsExactName(const std::string& name);

// A name that, appended to a key path, names exactly one sub-key: a key name as the scanners
// judge it (not empty, no backslash between characters) and an exact name.
bool IsSingleKeyName(const std::string& name);

// A relative key path of one or more such names joined by single backslashes.
bool IsEntryKeyPath(const std::string& path);

// The keys and values the window's actions change, so that an undo record that names anything
// else is refused. Paths are compared as the window spells them.
// A key some action erases with everything below it.
bool IsErasedActionKey(HKEY root, const std::string& path);
// A key the disable creates.
bool IsCreatedActionKey(HKEY root, const std::string& path);
// A value some action deletes or sets.
bool IsChangedActionValue(HKEY root, const std::string& path, const std::string& name);

// Whether the name the record was listed under (its value, its sub-key, its control's class or
// its startup file) reaches exactly that entry where it was listed (see NamesOneEntry and
// NamesOneFolderEntry). Every action asks it before it writes its undo record: a row whose name
// fails it shows another entry's name, and acting on it would reach that other entry. Once a
// name passes, the same bytes reach exactly that wide name under any other key too.
bool NamesListedEntry(const TNodeData& record);

}  // namespace zv

// Registry keys that the plug-in actions change, and the checks that keep a name read from the
// registry from reaching beyond the one entry it names.
#pragma once
#include <string>

namespace zv {

inline constexpr char ExtSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";
inline constexpr char ExtStatsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\";
inline constexpr char ActiveXCompatibilityKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\";
inline constexpr char DistributionUnitsKey[] = "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units\\";
inline constexpr char ClassesClsidKey[] = "SOFTWARE\\Classes\\CLSID\\";

// A name that, appended to a key path, names exactly one sub-key: a key name as the scanners
// judge it (not empty, no backslash between characters), and no zero byte that would end
// the path early and make the parent the target.
bool IsSingleKeyName(const std::string& name);

// A relative key path of one or more such names joined by single backslashes.
bool IsEntryKeyPath(const std::string& path);

// A value name the platform sees whole: no zero byte cuts it short into another value's name.
bool IsWholeValueName(const std::string& name);

}  // namespace zv

// What the plug-in scanners share: listing an extension point, detail children, the status
// text, and which listed names can stand for a key of their own.
#pragma once
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace zv {

class Tfm_main;
class TTreeNode;

enum class TListKind { SubKeys, Values };

// Sets the root and KEY_READ, enters the key, fills `names` in the registry's order and
// leaves the key. False, with `names` untouched, when the key cannot be entered.
bool ListNames(TRegistry& reg, uint32_t root, const std::string& key, TListKind kind, TStringList& names);

// Whether a listed name can be appended to a key path as one key name. A value name may be
// empty, which would address the parent key itself, or hold a backslash, which would reach
// into another key.
bool IsKeyName(const std::string& name);

// " [已禁用]" when the browser's add-on settings disable the class, else " [启用]".
const char* StatusSuffix(Tfm_main& form, const std::string& clsid);

TTreeNode* AddDetail(Tfm_main& form, TTreeNode* entry, const std::string& text, int picture);

// An entry of the 32-bit view of a 64-bit Windows says so: a detail line with its key, which
// names Wow6432Node. Entries of other views get none.
void AddViewDetail(Tfm_main& form, TTreeNode* entry, uint32_t root, const std::string& keyPath, TRegView view);

}  // namespace zv

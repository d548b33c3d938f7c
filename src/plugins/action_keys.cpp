#include "plugins/action_keys.h"

#include "platform/ansi_text.h"
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

}  // namespace zv

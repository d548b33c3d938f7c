#include "app/pub_funcs.h"

#include <windows.h>

#include <vector>

#include "platform/ansi_text.h"

namespace zv {

std::string AppDir;

std::string DirectoryOfPath(const std::string& fullPath)
{
    const size_t cut = AnsiLastDelimiter(fullPath, "\\:");
    std::string dir = cut == std::string::npos ? std::string() : fullPath.substr(0, cut + 1);
    // Keep the separator of a root ("C:\") or after another one ("\\"); drop any other.
    if (!dir.empty() && dir.back() == '\\') {
        const size_t prev = dir.size() - 2;
        const bool afterSeparator = dir.size() >= 2 && IsCharStart(dir, prev) &&
                                    (dir[prev] == '\\' || dir[prev] == ':');
        if (!afterSeparator) dir.pop_back();
    }
    return dir;
}

void InitPaths()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD len = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (len < buffer.size()) {
            AppDir = DirectoryOfPath(std::string(buffer.data(), len));
            return;
        }
        buffer.resize(buffer.size() * 2);  // long paths are truncated, not refused
    }
}

void SetQuietErrorMode() { SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX); }

}  // namespace zv

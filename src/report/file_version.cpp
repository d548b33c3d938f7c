#include "report/file_version.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/path_policy.h"
#include "platform/shell_api.h"

namespace zv {

namespace {

struct TTranslation {
    WORD language;
    WORD codePage;
};

// A text of the block. The system may hand back a text that is not terminated within the
// block, so the length is bounded by the block's end.
std::string QueryText(std::vector<BYTE>& block, const std::string& path)
{
    void* found = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), path.c_str(), &found, &length) || !found || length == 0) return {};
    const BYTE* begin = static_cast<const BYTE*>(found);
    const BYTE* end = block.data() + block.size();
    if (begin < block.data() || begin >= end) return {};
    const char* text = reinterpret_cast<const char*>(begin);
    return std::string(text, strnlen(text, static_cast<size_t>(end - begin)));
}

}  // namespace

std::optional<TFileVersion> ReadFileVersion(const std::string& path, size_t ownPart)
{
    // Reading the record opens the file: a device may never answer, a server would be offered
    // the user's credentials.
    if (path.empty() || !MayOpenPath(path, ownPart)) return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = ShellApi().GetFileVersionInfoSize(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> block(size);
    if (!ShellApi().GetFileVersionInfo(path.c_str(), 0, size, block.data())) return std::nullopt;

    TFileVersion version;
    void* found = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &found, &length) || !found ||
        length < sizeof(TTranslation)) {
        return version;
    }
    TTranslation first;
    std::memcpy(&first, found, sizeof(first));
    char table[40];
    std::snprintf(table, sizeof(table), "\\StringFileInfo\\%04x%04x\\", first.language, first.codePage);
    version.CompanyName = QueryText(block, std::string(table) + "CompanyName");
    version.FileVersion = QueryText(block, std::string(table) + "FileVersion");
    return version;
}

}  // namespace zv

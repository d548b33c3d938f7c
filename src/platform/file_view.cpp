#include "platform/file_view.h"

#include <windows.h>

#include "platform/cmdline.h"
#include "platform/registry.h"

namespace zv {

namespace {

// A 32-bit program on 64-bit Windows: the one whose system folder is redirected.
bool RedirectedProcess() { return sizeof(void*) == 4 && IsWindows64(); }

std::string SysnativeDirectory()
{
    static const std::string folder = [] {
        const std::string candidate = WindowsDirectory() + "\\Sysnative";
        const DWORD attributes = GetFileAttributesA(candidate.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? candidate
                                                                                               : std::string();
    }();
    return folder;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// `path` starts with `folder` and then ends or goes on with a separator; letters A to Z in
// either case. The folder is the system's own and holds no double-byte character.
bool IsBelow(const std::string& path, const std::string& folder)
{
    if (folder.empty() || path.size() < folder.size()) return false;
    for (size_t i = 0; i < folder.size(); ++i) {
        if (AsciiLower(path[i]) != AsciiLower(folder[i])) return false;
    }
    return path.size() == folder.size() || path[folder.size()] == '\\';
}

template <class TFunction>
TFunction Kernel32Function(const char* name)
{
    return reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

// The 32-bit system folder as a 64-bit program names it. Looked up: 32-bit XP lacks the call.
std::string Wow64Directory()
{
    using TGetDirectory = UINT(WINAPI*)(LPSTR, UINT);
    static const auto get = Kernel32Function<TGetDirectory>("GetSystemWow64DirectoryA");
    char buffer[MAX_PATH + 1] = {};
    const UINT length = get ? get(buffer, MAX_PATH) : 0;
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

}  // namespace

std::string PathInView(const std::string& path, TFileView view)
{
    std::string folder;
    if (view == TFileView::Native && RedirectedProcess()) {
        folder = SysnativeDirectory();
    } else if (view == TFileView::Wow32 && sizeof(void*) == 8) {
        folder = Wow64Directory();
    }
    const std::string system = SystemDirectory();
    if (folder.empty() || !IsBelow(path, system)) return path;
    return folder + path.substr(system.size());
}

TFileViewScope::TFileViewScope(TFileView view)
{
    if (view != TFileView::Native || !RedirectedProcess() || !SysnativeDirectory().empty()) return;
    using TDisable = BOOL(WINAPI*)(PVOID*);
    static const auto disable = Kernel32Function<TDisable>("Wow64DisableWow64FsRedirection");
    m_off = disable && disable(&m_saved);
}

TFileViewScope::~TFileViewScope()
{
    if (!m_off) return;
    using TRevert = BOOL(WINAPI*)(PVOID);
    static const auto revert = Kernel32Function<TRevert>("Wow64RevertWow64FsRedirection");
    if (revert) revert(m_saved);
}

}  // namespace zv

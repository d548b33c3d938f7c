#include "platform/shell_api.h"

namespace zv {

// The shell refuses a block whose size is not one it knows: 60 bytes from a 32-bit program,
// 112 from a 64-bit one, whose pointers are 8 bytes and aligned to 8.
static_assert(sizeof(SHELLEXECUTEINFOA) == (sizeof(void*) == 4 ? 60 : 112));

TShellApi& ShellApi()
{
    static TShellApi api;
    return api;
}

void ShowFileProperties(const std::string& path)
{
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "properties";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOW;
    ShellApi().ShellExecuteEx(&info);
    // SEE_MASK_NOCLOSEPROCESS may hand back a process we never wait for.
    if (info.hProcess) CloseHandle(info.hProcess);
}

}  // namespace zv

#include "platform/shell_api.h"

namespace zv {

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

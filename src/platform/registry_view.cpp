#include "platform/registry_view.h"

#include <cwchar>

namespace zv {

bool RunsUnderWow64()
{
    static const bool wow64 = [] {
        using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        const auto isWow64 =
            kernel ? reinterpret_cast<TIsWow64Process>(
                         reinterpret_cast<void (*)()>(GetProcAddress(kernel, "IsWow64Process")))
                   : nullptr;
        BOOL result = FALSE;
        return isWow64 && isWow64(GetCurrentProcess(), &result) && result;
    }();
    return wow64;
}

REGSAM NativeView() { return RunsUnderWow64() ? KEY_WOW64_64KEY : 0; }

REGSAM KeyView(HKEY root, const std::wstring& path)
{
    static const wchar_t kMarks[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
    const size_t length = std::size(kMarks) - 1;
    const bool marks = path.size() >= length && _wcsnicmp(path.c_str(), kMarks, length) == 0 &&
                       (path.size() == length || path[length] == L'\\');
    return root == HKEY_LOCAL_MACHINE && marks ? NativeView() : 0;
}

}  // namespace zv

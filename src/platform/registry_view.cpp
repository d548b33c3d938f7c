#include "platform/registry_view.h"


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
    static const std::wstring kMarks = L"software\\microsoft\\windows\\currentversion\\explorer\\startupapproved";
    // Key names ignore case; the path is compared letter by letter, A to Z read as a to z.
    std::wstring head = path.substr(0, kMarks.size());
    for (wchar_t& c : head) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    const bool marks = head == kMarks && (path.size() == kMarks.size() || path[kMarks.size()] == L'\\');
    return root == HKEY_LOCAL_MACHINE && marks ? NativeView() : 0;
}

}  // namespace zv

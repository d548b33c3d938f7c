#include "report/system_info.h"

#include <cstdio>
#include <vector>

#include "platform/unicode_text.h"
#include "report/file_version.h"

namespace zv {

namespace {

using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);

std::string FormatTime(const SYSTEMTIME& time, char separator)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u%c%02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, separator,
                  time.wHour, time.wMinute, time.wSecond);
    return text;
}

}  // namespace

std::string ProgramVersion()
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            const std::optional<TFileVersion> version = ReadFileVersion(std::string(path.data(), length));
            return version ? version->FileVersion : std::string();
        }
        path.resize(path.size() * 2);
    }
}

std::string WindowsVersionText()
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    // GetVersionEx answers what the program's manifest claims to support; ntdll tells the truth.
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto rtlGetVersion =
        ntdll ? reinterpret_cast<TRtlGetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return "Windows";
    char numbers[48];
    std::snprintf(numbers, sizeof(numbers), "Windows %lu.%lu.%lu", info.dwMajorVersion, info.dwMinorVersion,
                  info.dwBuildNumber);
    std::string text = numbers;
    const std::wstring servicePack(info.szCSDVersion, wcsnlen(info.szCSDVersion, std::size(info.szCSDVersion)));
    if (!servicePack.empty()) text += " " + WideToAnsi(servicePack);
    return text;
}

std::string DateTimeText(const SYSTEMTIME& time) { return FormatTime(time, ' '); }
std::string IsoDateTimeText(const SYSTEMTIME& time) { return FormatTime(time, 'T'); }

}  // namespace zv

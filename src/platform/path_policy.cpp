#include "platform/path_policy.h"

#include <windows.h>

#include <string_view>

namespace zv {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameNoCase(std::string_view text, std::string_view upper)
{
    if (text.size() != upper.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (AsciiUpper(text[i]) != upper[i]) return false;
    }
    return true;
}

// Only the drive's root is asked about: the system knows a mapped drive's type without
// reaching it.
bool IsRemoteDrive(char drive)
{
    const char root[] = {drive, ':', '\\', '\0'};
    return GetDriveTypeA(root) == DRIVE_REMOTE;
}

// Blanks in front are passed over: whether or not the system skips them, a path that only a
// blank keeps from naming a server is not worth the risk.
bool IsNetworkPath(std::string_view path)
{
    const size_t start = path.find_first_not_of(" \t");
    if (start == std::string_view::npos) return false;
    path.remove_prefix(start);
    // \\server\share, \\?\UNC\..., \\server@SSL\... and the \\?\ and \\.\ forms, with either
    // slash, as the system reads them.
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
    // The system hands a path of this form to the object manager as it stands, UNC included.
    if (path.substr(0, 4) == "\\??\\") return true;
    const char drive = AsciiUpper(path[0]);
    if (path.size() < 2 || path[1] != ':' || drive < 'A' || drive > 'Z') return false;
    // The drive Windows runs from is asked about once: most paths lie there, and under Wine each
    // question costs twice a file search. Any other drive is asked every time, since a drive
    // can be mapped while the program runs.
    static const char windowsDrive = [] {
        char windows[MAX_PATH + 1] = {};
        return GetWindowsDirectoryA(windows, sizeof(windows)) >= 2 && windows[1] == ':' ? AsciiUpper(windows[0]) : '\0';
    }();
    static const bool windowsDriveIsRemote = windowsDrive != '\0' && IsRemoteDrive(windowsDrive);
    return drive == windowsDrive ? windowsDriveIsRemote : IsRemoteDrive(drive);
}

// A digit the system accepts after COM or LPT: 1 to 9, and the superscripts 1, 2 and 3 of code
// pages that hold them (GBK holds none, so under it they never reach a call).
bool IsDevicePortDigit(std::string_view text)
{
    wchar_t wide[2] = {};
    const int count = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                          wide, 2);
    if (count != 1) return false;
    return (wide[0] >= L'1' && wide[0] <= L'9') || wide[0] == 0x00B9 || wide[0] == 0x00B2 || wide[0] == 0x00B3;
}

// The system takes a component's name up to its first dot or colon, without the blanks that end
// it, so "com1.exe", "NUL .txt" and "con:" open devices as "COM1", "NUL" and "CON" do.
bool IsDeviceName(std::string_view component)
{
    std::string_view name = component.substr(0, component.find_first_of(".:"));
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (SameNoCase(name, device)) return true;
    }
    if (name.size() < 4 || name.size() > 5) return false;
    const std::string_view port = name.substr(0, 3);
    return (SameNoCase(port, "COM") || SameNoCase(port, "LPT")) && IsDevicePortDigit(name.substr(3));
}

size_t NextChar(std::string_view text, size_t i)
{
    return IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? i + 2 : i + 1;
}

bool HasDeviceComponent(std::string_view path)
{
    size_t begin = 0;
    for (size_t i = 0; i <= path.size();) {
        const bool end = i == path.size();
        if (end || (NextChar(path, i) == i + 1 && IsSeparator(path[i]))) {
            if (IsDeviceName(path.substr(begin, i - begin))) return true;
            begin = i + 1;
        }
        i = end ? i + 1 : NextChar(path, i);
    }
    return false;
}

}  // namespace

TPathRisk PathRisk(const std::string& path, size_t ownPart)
{
    // The program's own part can be a share; where it is, the scanned rest does not change that.
    if (ownPart == 0 && IsNetworkPath(path)) return TPathRisk::Network;
    const std::string_view scanned = std::string_view(path).substr(ownPart < path.size() ? ownPart : path.size());
    return HasDeviceComponent(scanned) ? TPathRisk::Device : TPathRisk::None;
}

size_t LastComponentStart(const std::string& path)
{
    size_t start = 0;
    for (size_t i = 0; i < path.size(); i = NextChar(path, i)) {
        if (NextChar(path, i) == i + 1 && IsSeparator(path[i])) start = i + 1;
    }
    return start;
}

}  // namespace zv

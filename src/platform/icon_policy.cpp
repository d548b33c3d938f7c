#include "platform/icon_policy.h"

#include <shell_link.h>

#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/path_policy.h"
#include "platform/registry.h"
#include "platform/unicode_text.h"

namespace zv {

namespace {

// The shell draws these from the files themselves, following whatever path they hold: the
// shortcuts of every kind and the files the classic forced-authentication attacks use.
constexpr std::string_view kPointingTypes[] = {"lnk", "pif", "url", "website", "scf", "library-ms",
                                               "searchconnector-ms", "appref-ms"};
// Whose own icon the shell reads from the file's resources or from the file itself.
constexpr std::string_view kIconBearingTypes[] = {"exe", "com", "scr", "dll", "ocx", "ico"};

bool IsOneOf(std::string_view text, const std::string_view* first, const std::string_view* last)
{
    for (; first != last; ++first) {
        if (text == *first) return true;
    }
    return false;
}

// The last component's extension, letters A to Z lowered; empty when it has none. A dot is
// never the second byte of a double-byte character.
std::string Extension(const std::string& path)
{
    const size_t start = LastComponentStart(path);
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start) return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

// The file a DefaultIcon value names: the text before a trailing ",index", without quotes,
// its variables expanded.
std::string IconFileOf(const std::string& value)
{
    std::string file = value;
    const size_t comma = file.rfind(',');
    if (comma != std::string::npos && file.find_first_not_of("-0123456789 ", comma + 1) == std::string::npos) {
        file.erase(comma);
    }
    while (!file.empty() && file.back() == ' ') file.pop_back();
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
    const std::wstring wide = AnsiToWide(file);
    const DWORD need = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
    std::wstring expanded(need + 1, L'\0');
    const DWORD got = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), need + 1);
    if (need == 0 || got == 0 || got > need + 1) return file;
    expanded.resize(got - 1);
    return WideToAnsi(expanded);
}

// The shell's own shortcut object, whose reading of a shortcut the library's parser vets.
constexpr char kShellLinkClass[] = "{00021401-0000-0000-C000-000000000046}";

// ASCII text, letters compared without case.
bool SameNoCase(const std::string& a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'a' && a[i] <= 'z') ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
        const char y = (b[i] >= 'a' && b[i] <= 'z') ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
        if (x != y) return false;
    }
    return true;
}

// Whether the class under HKEY_CLASSES_ROOT lets the shell give its icon without code or
// paths of the registry's choosing: no icon handler and no shortcut type (but for the shell's
// own shortcut object where `shortcut` says the file is read first), and a registered icon
// that the program could open itself. A class that is not there names nothing.
bool ClassIconIsSafe(const std::string& key, bool shortcut = false)
{
    // The shell asks these classes inside this process, in its own registry view.
    TRegistry reg;
    reg.NativeView = false;
    reg.AccessMask = KEY_READ;
    reg.SetRoot(HKEY_CLASSES_ROOT);
    if (!reg.EnterKey(key, false)) return true;
    if (reg.HasValue("IsShortcut") && !shortcut) return false;
    if (!reg.KeyIsAbsent("shellex\\IconHandler")) {
        TRegistry handler;
        handler.NativeView = false;
        handler.AccessMask = KEY_READ;
        handler.SetRoot(HKEY_CLASSES_ROOT);
        if (!shortcut || !handler.EnterKey(key + "\\shellex\\IconHandler", false) ||
            !SameNoCase(handler.ReadText(""), kShellLinkClass)) {
            return false;
        }
    }
    if (!reg.EnterKey("DefaultIcon", false)) return true;
    const std::string file = IconFileOf(reg.ReadText(""));
    return file == "%1" || MayOpenPath(file);
}

bool TypeIconIsSafe(const std::string& extension, bool shortcut = false)
{
    if (extension.empty()) return true;
    std::vector<std::string> classes = {"." + extension, "SystemFileAssociations\\." + extension};
    TRegistry reg;
    reg.NativeView = false;
    reg.AccessMask = KEY_READ;
    reg.SetRoot(HKEY_CLASSES_ROOT);
    if (reg.EnterKey(classes.front(), false)) {
        const std::string progId = reg.ReadText("");
        if (!progId.empty()) classes.push_back(progId);
    }
    for (const std::string& key : classes) {
        if (!ClassIconIsSafe(key, shortcut)) return false;
    }
    return true;
}

// A file the shell may take a shortcut's icon from: one the program may open, not a folder
// (whose desktop.ini could point anywhere) and of a type whose icon does not point on either.
bool PlaceIsSafe(const std::string& place)
{
    if (!MayOpenPath(place)) return false;
    const DWORD attributes = GetFileAttributesA(place.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    const std::string extension = Extension(place);
    return !IsOneOf(extension, std::begin(kPointingTypes), std::end(kPointingTypes)) && TypeIconIsSafe(extension);
}

// A shortcut the library's parser reads whole, every place of whose icon is safe.
bool LinkIconIsSafe(const std::string& path)
{
    std::vector<unsigned char> data;
    zarlib::TLinkCommand command;
    zarlib::TLinkIconPlaces places;
    if (!zarlib::ReadLinkFile(path, data) ||
        !zarlib::ParseShellLink(zarlib::TBytes(data.data(), data.size()), command, &places) || !places.complete) {
        return false;
    }
    for (const std::string& place : places.paths) {
        if (!PlaceIsSafe(place)) return false;
    }
    return true;
}

TIconRequest Request(const std::string& path, size_t ownPart)
{
    if (path.empty() || !MayOpenPath(path, ownPart)) return {};
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!ClassIconIsSafe("Directory") || !ClassIconIsSafe("Folder")) return {};
        return {TIconSource::Type, FILE_ATTRIBUTE_DIRECTORY};
    }
    const std::string extension = Extension(path);
    if (!TypeIconIsSafe(extension, extension == "lnk")) return {};
    if (extension == "lnk") return {LinkIconIsSafe(path) ? TIconSource::Contents : TIconSource::None, 0};
    if (IsOneOf(extension, std::begin(kPointingTypes), std::end(kPointingTypes))) return {};
    if (IsOneOf(extension, std::begin(kIconBearingTypes), std::end(kIconBearingTypes))) {
        return {TIconSource::Contents, 0};
    }
    return {TIconSource::Type, FILE_ATTRIBUTE_NORMAL};
}

}  // namespace

TIconRequest IconRequest(const std::string& path, size_t ownPart)
{
    // A registry value of a type other than text says nothing we could vouch for.
    try {
        return Request(path, ownPart);
    } catch (const ERegistryException&) {
        return {};
    }
}

}  // namespace zv

// The shell link binary format, read field by field. Where the format offers the target in
// several forms, the order Windows runs them in is followed: a link saved with an
// environment-variable target (HasExpString) is resolved from that on the running system, else
// the ID list is the target, and the LinkInfo only resolves one the ID list cannot name. A
// link whose ID list runs one program and whose LinkInfo names another runs the first: that is
// the one to show.
#include "shell_link.h"

#include <vector>

#include "shell_items.h"

namespace zarlib {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr unsigned char kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                               0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// LinkFlags.
constexpr uint32_t kHasLinkTargetIdList = 0x1;
constexpr uint32_t kHasLinkInfo = 0x2;
constexpr uint32_t kHasName = 0x4;
constexpr uint32_t kHasRelativePath = 0x8;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kForceNoLinkInfo = 0x100;
constexpr uint32_t kHasExpString = 0x200;
constexpr uint32_t kHasDarwinId = 0x1000;
constexpr uint32_t kHasExpIcon = 0x4000;

// LinkInfoFlags.
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t kCommonNetworkRelativeLink = 0x2;

constexpr uint32_t kLinkInfoHeaderPlain = 0x1C;
constexpr uint32_t kLinkInfoHeaderUnicode = 0x24;
constexpr uint32_t kNetworkLinkHeaderPlain = 0x14;

// EnvironmentVariableDataBlock: size, signature, a code-page target of MAX_PATH bytes and a
// UTF-16 target of MAX_PATH units.
constexpr uint32_t kEnvironmentBlock = 0xA0000001;
// The icon location in the same layout, and the ID list newer systems keep beside the old one.
constexpr uint32_t kIconEnvironmentBlock = 0xA0000007;
constexpr uint32_t kVistaIdListBlock = 0xA000000C;
constexpr uint32_t kEnvironmentBlockSize = 0x314;
constexpr size_t kExtraBlockHeaderSize = 8;
constexpr size_t kEnvironmentAnsiAt = 8;
constexpr size_t kEnvironmentAnsiSize = 260;
constexpr size_t kEnvironmentWideAt = kEnvironmentAnsiAt + kEnvironmentAnsiSize;
constexpr size_t kEnvironmentWideSize = 520;

bool EndsWithBackslash(const std::string& text)
{
    if (text.empty()) return false;
    // The last byte may be the trail byte of a double-byte character that merely equals '\'.
    const char* last = CharPrevA(text.c_str(), text.c_str() + text.size());
    return last == text.c_str() + text.size() - 1 && *last == '\\';
}

// A code-page string of the LinkInfo: damaged when it runs past the structure, foreign when it
// does not end on a whole character.
TRead AnsiString(const TBytes& bytes, uint32_t offset, std::string& text)
{
    if (offset == 0 || !bytes.AnsiZ(offset, text)) return TRead::Refused;
    return IsWholeAnsi(text) ? TRead::Found : TRead::Foreign;
}

TRead WideString(const TBytes& bytes, uint32_t offset, std::string& text)
{
    std::wstring wide;
    if (!bytes.WideZ(offset, wide)) return TRead::Refused;
    return WideToAnsi(wide, text) ? TRead::Found : TRead::Foreign;
}

// One string field of the LinkInfo: the Unicode form when the header has its offset and it is
// set, else the code-page form.
TRead LinkInfoString(const TBytes& info, uint32_t headerSize, size_t ansiOffsetAt, size_t wideOffsetAt,
                     std::string& text)
{
    uint32_t offset = 0;
    if (headerSize >= kLinkInfoHeaderUnicode && info.U32(wideOffsetAt, offset) && offset != 0) {
        return WideString(info, offset, text);
    }
    info.U32(ansiOffsetAt, offset);
    return AnsiString(info, offset, text);
}

// The share a network link names: \\server\share.
TRead NetworkName(const TBytes& info, std::string& name)
{
    uint32_t linkOffset = 0, linkSize = 0;
    if (!info.U32(0x14, linkOffset) || !info.U32(linkOffset, linkSize)) return TRead::Refused;
    TBytes link;
    if (linkSize < kNetworkLinkHeaderPlain || !info.Sub(linkOffset, linkSize, link)) return TRead::Refused;
    uint32_t netNameOffset = 0, wideOffset = 0;
    if (!link.U32(0x08, netNameOffset)) return TRead::Refused;
    if (netNameOffset > kNetworkLinkHeaderPlain && link.U32(0x14, wideOffset) && wideOffset != 0) {
        return WideString(link, wideOffset, name);
    }
    return AnsiString(link, netNameOffset, name);
}

// The target's full path from the LinkInfo structure; Absent when it says neither where on a
// local volume nor where on the network the target lies.
TRead LinkInfoTarget(const TBytes& info, std::string& target)
{
    uint32_t headerSize = 0, flags = 0;
    if (!info.U32(0x04, headerSize) || !info.U32(0x08, flags)) return TRead::Refused;
    if (headerSize != kLinkInfoHeaderPlain && headerSize < kLinkInfoHeaderUnicode) return TRead::Refused;
    if (headerSize > info.Size()) return TRead::Refused;
    if (!(flags & (kVolumeIdAndLocalBasePath | kCommonNetworkRelativeLink))) return TRead::Absent;

    std::string suffix, base;
    const TRead read = LinkInfoString(info, headerSize, 0x18, 0x20, suffix);
    if (read != TRead::Found) return read;
    if (flags & kVolumeIdAndLocalBasePath) {
        const TRead baseRead = LinkInfoString(info, headerSize, 0x10, 0x1C, base);
        if (baseRead == TRead::Found) target = base + suffix;
        return baseRead;
    }
    const TRead shareRead = NetworkName(info, base);
    if (shareRead != TRead::Found) return shareRead;
    target = base;
    if (!suffix.empty()) target += (EndsWithBackslash(base) ? "" : "\\") + suffix;
    return TRead::Found;
}

bool AnsiToWide(const std::string& text, std::wstring& wide)
{
    wide.clear();
    if (text.empty()) return true;
    const int count = static_cast<int>(text.size());
    const int need = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), count, nullptr, 0);
    if (need <= 0) return false;
    wide.resize(static_cast<size_t>(need));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), count, wide.data(), need) == need;
}

bool IsWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The variable under which WOW64 keeps the value the 64-bit shell sees for `name`.
std::wstring NativeName(const std::wstring& name)
{
    if (lstrcmpiW(name.c_str(), L"ProgramFiles") == 0) return L"ProgramW6432";
    if (lstrcmpiW(name.c_str(), L"CommonProgramFiles") == 0) return L"CommonProgramW6432";
    return name;
}

// The text with every %name% checked and, where this process sees another value than the
// shell that starts the link, renamed. Expansion keeps an unknown reference as it is, and a
// path with one left in it is not where the link leads: the shell then goes by the link's
// other forms of the target, and so do we. A 32-bit process on 64-bit Windows is given the
// 32-bit program folders under the usual names, where the 64-bit shell sees the native ones.
bool ShellView(const std::wstring& text, std::wstring& view)
{
    static const bool wow64 = IsWow64();
    view.clear();
    size_t from = 0;
    for (size_t open = text.find(L'%'); open != std::wstring::npos; open = text.find(L'%', from)) {
        const size_t close = text.find(L'%', open + 1);
        if (close == std::wstring::npos) break;
        std::wstring name = text.substr(open + 1, close - open - 1);
        if (wow64) name = NativeName(name);
        // "%%" names nothing and stays as it is.
        if (!name.empty() && GetEnvironmentVariableW(name.c_str(), nullptr, 0) == 0) return false;
        view.append(text, from, open - from).append(L"%").append(name).append(L"%");
        from = close + 1;
    }
    view.append(text, from, std::wstring::npos);
    return true;
}

// The text with its environment references expanded as the shell would, in the code page.
// Absent when a reference names a variable this system lacks (the shell then goes by the
// link's other forms); Foreign when the code page cannot hold the expanded path; Refused when
// it is no path.
TRead ExpandToAnsi(const std::wstring& text, std::string& expandedText)
{
    std::wstring view;
    if (text.empty() || !ShellView(text, view)) return TRead::Absent;
    std::wstring expanded(view.size() + 1, L'\0');
    for (;;) {
        const DWORD need =
            ExpandEnvironmentStringsW(view.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (need == 0) return TRead::Refused;
        if (need <= expanded.size()) {
            expanded.resize(need - 1);
            if (!WideToAnsi(expanded, expandedText)) return TRead::Foreign;
            return IsPlausiblePath(expandedText) ? TRead::Found : TRead::Refused;
        }
        expanded.resize(need);
    }
}

// The path of an EnvironmentVariableDataBlock or IconEnvironmentDataBlock: the Unicode form,
// and the code-page form only when there is no Unicode one. The code-page form of a path the
// code page cannot hold is a best-fit guess at some other file, never a stand-in.
TRead ExpandableBlockPath(const TBytes& block, std::string& path)
{
    if (block.Size() != kEnvironmentBlockSize) return TRead::Refused;
    TBytes field;
    std::wstring wide;
    block.Sub(kEnvironmentWideAt, kEnvironmentWideSize, field);
    if (!field.WideZ(0, wide)) return TRead::Refused;
    if (!wide.empty()) return ExpandToAnsi(wide, path);
    std::string ansi;
    block.Sub(kEnvironmentAnsiAt, kEnvironmentAnsiSize, field);
    if (!field.AnsiZ(0, ansi)) return TRead::Refused;
    if (!AnsiToWide(ansi, wide)) return TRead::Foreign;
    return ExpandToAnsi(wide, path);
}

// The extra data blocks that say where the target or the icon is, found among those that start
// at `at`; each stays empty when the link has none.
struct TExtraBlocks {
    TBytes environment, iconEnvironment, idList;
    bool hasEnvironment = false, hasIconEnvironment = false, hasIdList = false;
};

TExtraBlocks FindExtraBlocks(const TBytes& bytes, size_t at)
{
    TExtraBlocks found;
    TBytes block;
    for (;;) {
        uint32_t size = 0, signature = 0;
        // A size below the block header's ends the list (the terminal block has size 0).
        if (!bytes.U32(at, size) || size < kExtraBlockHeaderSize || !bytes.Sub(at, size, block)) return found;
        block.U32(4, signature);
        if (signature == kEnvironmentBlock && !found.hasEnvironment) {
            found.environment = block;
            found.hasEnvironment = true;
        } else if (signature == kIconEnvironmentBlock && !found.hasIconEnvironment) {
            found.iconEnvironment = block;
            found.hasIconEnvironment = true;
        } else if (signature == kVistaIdListBlock && !found.hasIdList) {
            block.Sub(kExtraBlockHeaderSize, size - kExtraBlockHeaderSize, found.idList);
            found.hasIdList = true;
        }
        at += size;
    }
}

// Reads one StringData field at `pos` and moves past it; false only when the field runs past
// the file. `exact` says whether `text` is the field as it stands: Wine counts the terminating
// NUL in the length, so NULs at the end are dropped, but one with text after it would cut a
// command line where the caller reads it, and so would a character the code page cannot hold.
bool ReadCountedString(const TBytes& bytes, bool unicode, size_t& pos, std::string& text, bool& exact)
{
    uint32_t count = 0;
    if (!bytes.U16(pos, count)) return false;
    pos += 2;
    const size_t unitSize = unicode ? 2 : 1;
    if (!bytes.Holds(pos, static_cast<size_t>(count) * unitSize)) return false;
    std::vector<uint32_t> units(count);
    for (size_t i = 0; i < count; ++i) {
        if (unicode) {
            bytes.U16(pos + 2 * i, units[i]);
        } else {
            units[i] = *bytes.At(pos + i);
        }
    }
    pos += static_cast<size_t>(count) * unitSize;
    while (!units.empty() && units.back() == 0) units.pop_back();
    exact = true;
    for (uint32_t unit : units) {
        if (unit == 0) exact = false;
    }
    if (!exact) return true;
    if (!unicode) {
        text.assign(units.begin(), units.end());
        exact = IsWholeAnsi(text);
        return true;
    }
    exact = WideToAnsi(std::wstring(units.begin(), units.end()), text);
    return true;
}

// Notes one place of the icon: a path, nothing, or one we cannot read.
void AddPlace(TLinkIconPlaces& places, TRead read, const std::string& path)
{
    if (read == TRead::Found) places.paths.push_back(path);
    if (read == TRead::Foreign || read == TRead::Refused) places.complete = false;
}

// A place given as a string field, expanded as the shell expands it; a variable this system
// lacks leaves no path we can judge.
TRead StringPlace(const std::string& text, bool exact, std::string& path)
{
    if (!exact) return TRead::Foreign;
    if (text.empty()) return TRead::Absent;
    std::wstring wide;
    if (!AnsiToWide(text, wide)) return TRead::Foreign;
    const TRead read = ExpandToAnsi(wide, path);
    return read == TRead::Absent ? TRead::Refused : read;
}

}  // namespace

bool IsPlausiblePath(const std::string& path)
{
    if (path.empty()) return false;
    // A control character means the field was not what it claims to be; a quote would break
    // the quoting; '?' is what a writer puts for a character its code page lacks, and it and
    // the others are in no file's path. None of these bytes can be a GBK trail byte.
    for (unsigned char c : path) {
        if (c < 0x20 || c == '"' || c == '?' || c == '*' || c == '<' || c == '>') return false;
    }
    return true;
}

bool ParseShellLink(const TBytes& bytes, TLinkCommand& command, TLinkIconPlaces* places)
{
    TLinkIconPlaces unused;
    TLinkIconPlaces& icon = places ? *places : unused;
    uint32_t headerSize = 0, flags = 0;
    if (!bytes.U32(0, headerSize) || headerSize != kHeaderSize || !bytes.Holds(0, kHeaderSize)) return false;
    if (std::memcmp(bytes.At(4), kShellLinkClsid, sizeof(kShellLinkClsid)) != 0) return false;
    bytes.U32(0x14, flags);
    // An installer's advertised shortcut runs what the installer decides; its ID list names the
    // installer's icon file, not the program.
    if (flags & kHasDarwinId) return false;

    size_t pos = kHeaderSize;
    TBytes idList;
    if (flags & kHasLinkTargetIdList) {
        uint32_t idListSize = 0;
        if (!bytes.U16(pos, idListSize) || !bytes.Sub(pos + 2, idListSize, idList)) return false;
        pos += 2 + idListSize;
    }
    TBytes info;
    if (flags & kHasLinkInfo) {
        uint32_t infoSize = 0;
        if (!bytes.U32(pos, infoSize) || infoSize < kLinkInfoHeaderPlain || !bytes.Sub(pos, infoSize, info)) {
            return false;
        }
        pos += infoSize;
    }

    // Only the arguments must be exact; the other fields are skipped by their counts, and what
    // cannot be read of the icon's places leaves them incomplete.
    const bool unicode = (flags & kIsUnicode) != 0;
    for (uint32_t field : {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation}) {
        if (!(flags & field)) continue;
        std::string text, path;
        bool exact = false;
        if (!ReadCountedString(bytes, unicode, pos, text, exact)) return false;
        if (field == kHasArguments) {
            if (!exact) return false;
            command.arguments = std::move(text);
        } else if (field == kHasIconLocation || field == kHasRelativePath) {
            AddPlace(icon, StringPlace(text, exact, path), path);
        }
    }

    // The extra data blocks follow the strings.
    const TExtraBlocks extra = FindExtraBlocks(bytes, pos);
    if ((flags & kHasExpIcon) && extra.hasIconEnvironment) {
        std::string path;
        const TRead read = ExpandableBlockPath(extra.iconEnvironment, path);
        AddPlace(icon, read == TRead::Absent ? TRead::Foreign : read, path);
    }
    // The target is the first form that gives one; a form after it can only be damaged, and
    // otherwise counts only as a place of the icon.
    TRead target = TRead::Absent;
    if ((flags & kHasExpString) && extra.hasEnvironment) {
        target = ExpandableBlockPath(extra.environment, command.target);
        if (target == TRead::Foreign || target == TRead::Refused) return false;
        AddPlace(icon, target, command.target);
    }
    const TBytes* lists[] = {extra.hasIdList ? &extra.idList : nullptr,
                             (flags & kHasLinkTargetIdList) ? &idList : nullptr};
    for (const TBytes* list : lists) {
        if (!list) continue;
        std::string path;
        const TRead read = IdListPath(*list, path);
        if (read == TRead::Refused || (read == TRead::Foreign && target != TRead::Found)) return false;
        // An ID list that names no file-system path may still be where the shell finds the icon.
        AddPlace(icon, read == TRead::Absent ? TRead::Foreign : read, path);
        if (target != TRead::Found && read == TRead::Found) {
            command.target = path;
            target = read;
        }
    }
    if (flags & kHasLinkInfo) {
        std::string path;
        const TRead read = LinkInfoTarget(info, path);
        const bool standsIn = target != TRead::Found && !(flags & kForceNoLinkInfo);
        if (read == TRead::Refused || (read == TRead::Foreign && standsIn)) return false;
        AddPlace(icon, read, path);
        if (standsIn && read == TRead::Found) {
            command.target = path;
            target = read;
        }
    }
    return target == TRead::Found && IsPlausiblePath(command.target);
}

}  // namespace zarlib

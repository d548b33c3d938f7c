// The shell link binary format, read field by field. Where the format offers the target in
// several forms, the shell's own order is followed: a link saved with an environment-variable
// target (HasExpString) is resolved from that on the running system, one with a LinkInfo from
// the LinkInfo, and one with neither from its ID list.
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

// LinkInfoFlags.
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t kCommonNetworkRelativeLink = 0x2;

constexpr uint32_t kLinkInfoHeaderPlain = 0x1C;
constexpr uint32_t kLinkInfoHeaderUnicode = 0x24;
constexpr uint32_t kNetworkLinkHeaderPlain = 0x14;

// EnvironmentVariableDataBlock: size, signature, a code-page target of MAX_PATH bytes and a
// UTF-16 target of MAX_PATH units.
constexpr uint32_t kEnvironmentBlock = 0xA0000001;
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

// One string field of the LinkInfo: the Unicode form when the header has its offset and it is
// set, else the code-page form.
bool LinkInfoString(const TBytes& info, uint32_t headerSize, size_t ansiOffsetAt, size_t wideOffsetAt,
                    std::string& text)
{
    uint32_t offset = 0;
    if (headerSize >= kLinkInfoHeaderUnicode && info.U32(wideOffsetAt, offset) && offset != 0) {
        return info.WideZ(offset, text);
    }
    return info.U32(ansiOffsetAt, offset) && offset != 0 && info.AnsiZ(offset, text);
}

// The share a network link names: \\server\share.
bool NetworkName(const TBytes& info, std::string& name)
{
    uint32_t linkOffset = 0, linkSize = 0;
    if (!info.U32(0x14, linkOffset) || !info.U32(linkOffset, linkSize)) return false;
    TBytes link;
    if (linkSize < kNetworkLinkHeaderPlain || !info.Sub(linkOffset, linkSize, link)) return false;
    uint32_t netNameOffset = 0, wideOffset = 0;
    if (!link.U32(0x08, netNameOffset)) return false;
    if (netNameOffset > kNetworkLinkHeaderPlain && link.U32(0x14, wideOffset) && wideOffset != 0) {
        return link.WideZ(wideOffset, name);
    }
    return netNameOffset != 0 && link.AnsiZ(netNameOffset, name);
}

// The target's full path from the LinkInfo structure.
bool LinkInfoTarget(const TBytes& info, std::string& target)
{
    uint32_t headerSize = 0, flags = 0;
    if (!info.U32(0x04, headerSize) || !info.U32(0x08, flags)) return false;
    if (headerSize != kLinkInfoHeaderPlain && headerSize < kLinkInfoHeaderUnicode) return false;
    if (headerSize > info.Size()) return false;

    std::string suffix;
    if (!LinkInfoString(info, headerSize, 0x18, 0x20, suffix)) return false;
    if (flags & kVolumeIdAndLocalBasePath) {
        std::string base;
        if (!LinkInfoString(info, headerSize, 0x10, 0x1C, base)) return false;
        target = base + suffix;
        return true;
    }
    if (flags & kCommonNetworkRelativeLink) {
        std::string share;
        if (!NetworkName(info, share)) return false;
        target = share;
        if (!suffix.empty()) target += (EndsWithBackslash(share) ? "" : "\\") + suffix;
        return true;
    }
    return false;
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
bool ExpandToAnsi(const std::wstring& text, std::string& expandedText)
{
    std::wstring view;
    if (text.empty() || !ShellView(text, view)) return false;
    std::wstring expanded(view.size() + 1, L'\0');
    for (;;) {
        const DWORD need =
            ExpandEnvironmentStringsW(view.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (need == 0) return false;
        if (need <= expanded.size()) {
            expanded.resize(need - 1);
            return WideToAnsi(expanded, expandedText) && IsPlausiblePath(expandedText);
        }
        expanded.resize(need);
    }
}

// The target of the EnvironmentVariableDataBlock among the extra data blocks that start at
// `at`: the Unicode form when the code page holds it once expanded, else the code-page form.
// False when there is no such block or neither form gives a path.
bool EnvironmentTarget(const TBytes& bytes, size_t at, std::string& target)
{
    TBytes block;
    for (;;) {
        uint32_t size = 0, signature = 0;
        // A size below the block header's ends the list (the terminal block has size 0).
        if (!bytes.U32(at, size) || size < kExtraBlockHeaderSize || !bytes.Sub(at, size, block)) return false;
        block.U32(4, signature);
        if (signature == kEnvironmentBlock) break;
        at += size;
    }
    if (block.Size() != kEnvironmentBlockSize) return false;
    TBytes field;
    std::wstring wide;
    block.Sub(kEnvironmentWideAt, kEnvironmentWideSize, field);
    if (field.WideZ(0, wide) && ExpandToAnsi(wide, target)) return true;
    std::string ansi;
    block.Sub(kEnvironmentAnsiAt, kEnvironmentAnsiSize, field);
    return field.AnsiZ(0, ansi) && AnsiToWide(ansi, wide) && ExpandToAnsi(wide, target);
}

// Reads one StringData field at `pos` and moves past it. Wine counts the terminating NUL in
// the length, so NULs at the end are dropped; one with text after it would cut the command
// line where the caller reads it, so such a field is refused.
bool ReadCountedString(const TBytes& bytes, bool unicode, size_t& pos, std::string& text)
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
    for (uint32_t unit : units) {
        if (unit == 0) return false;
    }
    if (!unicode) {
        text.assign(units.begin(), units.end());
        return true;
    }
    return WideToAnsi(std::wstring(units.begin(), units.end()), text);
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

bool ParseShellLink(const TBytes& bytes, TLinkCommand& command)
{
    uint32_t headerSize = 0, flags = 0;
    if (!bytes.U32(0, headerSize) || headerSize != kHeaderSize || !bytes.Holds(0, kHeaderSize)) return false;
    if (std::memcmp(bytes.At(4), kShellLinkClsid, sizeof(kShellLinkClsid)) != 0) return false;
    bytes.U32(0x14, flags);

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

    const bool unicode = (flags & kIsUnicode) != 0;
    for (uint32_t field : {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation}) {
        if (!(flags & field)) continue;
        std::string text;
        if (!ReadCountedString(bytes, unicode, pos, text)) return false;
        if (field == kHasArguments) command.arguments = std::move(text);
    }

    // The extra data blocks follow the strings.
    if ((flags & kHasExpString) && EnvironmentTarget(bytes, pos, command.target)) return true;
    if ((flags & kHasLinkInfo) && !(flags & kForceNoLinkInfo)) {
        if (!LinkInfoTarget(info, command.target)) return false;
    } else if (!(flags & kHasLinkTargetIdList) || !IdListPath(idList, command.target)) {
        return false;
    }
    return IsPlausiblePath(command.target);
}

}  // namespace zarlib

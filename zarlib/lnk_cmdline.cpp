// The command line a startup-folder entry starts. Shell links are read here, byte by byte
// with a bound check on every field, rather than through IShellLinkA: the library cannot know
// whether its caller's thread has COM initialised, IShellLink may search the disk or the
// network to resolve a moved target, and a parser of our own behaves the same on every system
// and can be fuzzed. What it cannot vouch for, it leaves out: the result is then empty.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/path_policy.h"
#include "zarlib.h"

namespace {

// A real shortcut is a few kilobytes; anything this large is not one worth reading.
constexpr uint64_t kMaxLinkFileSize = 1024 * 1024;

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

// LinkInfoFlags.
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t kCommonNetworkRelativeLink = 0x2;

constexpr uint32_t kLinkInfoHeaderPlain = 0x1C;
constexpr uint32_t kLinkInfoHeaderUnicode = 0x24;
constexpr uint32_t kNetworkLinkHeaderPlain = 0x14;

// A window on the file's bytes; every read says whether it stayed inside.
class TBytes {
public:
    TBytes(const unsigned char* data, size_t size) : m_data(data), m_size(size) {}
    size_t Size() const { return m_size; }

    bool U16(size_t at, uint32_t& value) const
    {
        if (!Holds(at, 2)) return false;
        value = m_data[at] | (m_data[at + 1] << 8);
        return true;
    }
    bool U32(size_t at, uint32_t& value) const
    {
        if (!Holds(at, 4)) return false;
        value = static_cast<uint32_t>(m_data[at]) | (static_cast<uint32_t>(m_data[at + 1]) << 8) |
                (static_cast<uint32_t>(m_data[at + 2]) << 16) | (static_cast<uint32_t>(m_data[at + 3]) << 24);
        return true;
    }
    bool Holds(size_t at, size_t count) const { return at <= m_size && count <= m_size - at; }
    const unsigned char* At(size_t at) const { return m_data + at; }
    // The bytes [at, at + count) as a window of their own, or false when they run past the end.
    bool Sub(size_t at, size_t count, TBytes& sub) const
    {
        if (!Holds(at, count)) return false;
        sub = TBytes(m_data + at, count);
        return true;
    }

    // A NUL-terminated code-page string starting at `at`; false when no NUL comes before the end.
    bool AnsiZ(size_t at, std::string& text) const
    {
        if (at >= m_size) return false;
        const void* nul = std::memchr(m_data + at, 0, m_size - at);
        if (!nul) return false;
        text.assign(reinterpret_cast<const char*>(m_data + at), static_cast<const unsigned char*>(nul) - (m_data + at));
        return true;
    }
    // A NUL-terminated UTF-16 string starting at `at`, converted to the code page.
    bool WideZ(size_t at, std::string& text) const;

private:
    const unsigned char* m_data;
    size_t m_size;
};

// UTF-16 to the ANSI code page, refusing any character the code page cannot hold: a path with
// a replacement character in it would name some other file.
bool WideToAnsi(const std::vector<wchar_t>& wide, std::string& text)
{
    text.clear();
    if (wide.empty()) return true;
    const int count = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int need =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), count, nullptr, 0, nullptr, &lossy);
    if (need <= 0 || lossy) return false;
    text.resize(static_cast<size_t>(need));
    lossy = FALSE;
    const int got =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), count, text.data(), need, nullptr, &lossy);
    return got == need && !lossy;
}

bool TBytes::WideZ(size_t at, std::string& text) const
{
    std::vector<wchar_t> wide;
    for (size_t i = at;; i += 2) {
        uint32_t unit = 0;
        if (!U16(i, unit)) return false;
        if (unit == 0) break;
        wide.push_back(static_cast<wchar_t>(unit));
    }
    return WideToAnsi(wide, text);
}

// A path component whose bytes could not be in a file name: quoting it would go wrong, and a
// control character means the field was not what it claims to be.
bool IsPlausiblePath(const std::string& path)
{
    if (path.empty()) return false;
    for (unsigned char c : path) {
        if (c < 0x20 || c == '"') return false;
    }
    return true;
}

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
    TBytes link(nullptr, 0);
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

struct TLinkCommand {
    std::string target;
    std::string arguments;
};

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
    return WideToAnsi(std::vector<wchar_t>(units.begin(), units.end()), text);
}

bool ParseShellLink(const TBytes& bytes, TLinkCommand& command)
{
    uint32_t headerSize = 0, flags = 0;
    if (!bytes.U32(0, headerSize) || headerSize != kHeaderSize || !bytes.Holds(0, kHeaderSize)) return false;
    if (std::memcmp(bytes.At(4), kShellLinkClsid, sizeof(kShellLinkClsid)) != 0) return false;
    bytes.U32(0x14, flags);

    size_t pos = kHeaderSize;
    if (flags & kHasLinkTargetIdList) {
        uint32_t idListSize = 0;
        if (!bytes.U16(pos, idListSize) || !bytes.Holds(pos + 2, idListSize)) return false;
        pos += 2 + idListSize;
    }

    bool haveTarget = false;
    if (flags & kHasLinkInfo) {
        uint32_t infoSize = 0;
        TBytes info(nullptr, 0);
        if (!bytes.U32(pos, infoSize) || infoSize < kLinkInfoHeaderPlain || !bytes.Sub(pos, infoSize, info)) {
            return false;
        }
        if (!(flags & kForceNoLinkInfo)) {
            if (!LinkInfoTarget(info, command.target)) return false;
            haveTarget = true;
        }
        pos += infoSize;
    }
    if (!haveTarget || !IsPlausiblePath(command.target)) return false;

    const bool unicode = (flags & kIsUnicode) != 0;
    for (uint32_t field : {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation}) {
        if (!(flags & field)) continue;
        std::string text;
        if (!ReadCountedString(bytes, unicode, pos, text)) return false;
        if (field == kHasArguments) command.arguments = std::move(text);
    }
    return true;
}

struct TFileCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using TFile = std::unique_ptr<void, TFileCloser>;

bool ReadSmallFile(const char* path, std::vector<unsigned char>& data)
{
    HANDLE raw = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) return false;
    TFile file(raw);
    // A reserved device name (CON.lnk, say) opens a device that a read could wait on forever.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > kMaxLinkFileSize) {
        return false;
    }
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < data.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got, nullptr) ||
            got == 0) {
            return false;
        }
        done += got;
    }
    return true;
}

bool HasLinkExtension(const std::string& path)
{
    static const char kExtension[] = ".lnk";
    const size_t n = sizeof(kExtension) - 1;
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = path[path.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kExtension[i]) return false;
    }
    return true;
}

// The command line, or empty when the entry cannot be vouched for.
std::string EntryCommandLine(const std::string& path)
{
    // The caller's folder is its own; the entry's name came from a listing, and a device name
    // there (com1.exe) would open the device.
    if (!zv::MayOpenPath(path, zv::LastComponentStart(path))) return {};
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};

    TLinkCommand command;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !HasLinkExtension(path)) {
        command.target = path;
    } else {
        std::vector<unsigned char> data;
        if (!ReadSmallFile(path.c_str(), data) || !ParseShellLink(TBytes(data.data(), data.size()), command)) {
            return {};
        }
    }
    if (!IsPlausiblePath(command.target)) return {};

    std::string line = command.target.find(' ') != std::string::npos ? '"' + command.target + '"' : command.target;
    if (!command.arguments.empty()) line += ' ' + command.arguments;
    return line;
}

}  // namespace

extern "C" int WINAPI GetLnkCmdline(const char* path, char* buffer, int size)
{
    if (!buffer || size < 0) return 0;
    buffer[0] = '\0';
    if (!path) return 0;
    const std::string line = EntryCommandLine(path);
    // A command line cut to fit would start something else: it is left out whole.
    if (line.size() > static_cast<size_t>(size)) return 0;
    std::memcpy(buffer, line.c_str(), line.size() + 1);
    return static_cast<int>(line.size());
}

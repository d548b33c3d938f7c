// The command line a startup-folder entry starts. Shell links are read by our own parser,
// byte by byte with a bound check on every field, rather than through IShellLinkA: the library
// cannot know whether its caller's thread has COM initialised, IShellLink may search the disk
// or the network to resolve a moved target, and a parser of our own behaves the same on every
// system and can be fuzzed. What it cannot vouch for, it leaves out: the result is then empty.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/path_policy.h"
#include "shell_link.h"
#include "zarlib.h"

namespace {

using zarlib::IsPlausiblePath;
using zarlib::TBytes;
using zarlib::TLinkCommand;

// A real shortcut is a few kilobytes; anything this large is not one worth reading.
constexpr uint64_t kMaxLinkFileSize = 1024 * 1024;

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
        if (!ReadSmallFile(path.c_str(), data) || !zarlib::ParseShellLink(TBytes(data.data(), data.size()), command)) {
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

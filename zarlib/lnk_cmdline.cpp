// The command line a startup-folder entry starts. Shell links are read by our own parser,
// byte by byte with a bound check on every field, rather than through IShellLinkA: the library
// cannot know whether its caller's thread has COM initialised, IShellLink may search the disk
// or the network to resolve a moved target, and a parser of our own behaves the same on every
// system and can be fuzzed. What it cannot vouch for, it leaves out: the result is then empty.
#include <cstring>
#include <string>
#include <vector>

#include "platform/path_policy.h"
#include "shell_link.h"
#include "zarlib.h"

namespace {

using zarlib::IsPlausiblePath;
using zarlib::TBytes;
using zarlib::TLinkCommand;

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

// The target and arguments the entry starts; false when it cannot be vouched for.
bool EntryCommand(const std::string& path, TLinkCommand& command)
{
    // The caller's folder is its own; the entry's name came from a listing, and a device name
    // there (com1.exe) would open the device.
    if (!zv::MayOpenPath(path, zv::LastComponentStart(path))) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;

    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !HasLinkExtension(path)) {
        command.target = path;
    } else {
        std::vector<unsigned char> data;
        if (!zarlib::ReadLinkFile(path, data) ||
            !zarlib::ParseShellLink(TBytes(data.data(), data.size()), command)) {
            return false;
        }
    }
    return IsPlausiblePath(command.target);
}

// The command line in at most `size` bytes. The target is kept whole, or nothing is given: a
// cut one would name another program. The arguments are cut to fit, at a character boundary,
// so that a link cannot hide the program it runs behind a few thousand characters of them.
std::string FittedLine(const TLinkCommand& command, size_t size)
{
    std::string line = command.target.find(' ') != std::string::npos ? '"' + command.target + '"' : command.target;
    if (line.size() > size) return {};
    if (command.arguments.empty() || line.size() + 1 >= size) return line;
    const std::string& arguments = command.arguments;
    const size_t room = size - line.size() - 1;
    size_t end = 0;
    while (end < arguments.size()) {
        const size_t next = end + (IsDBCSLeadByte(static_cast<BYTE>(arguments[end])) ? 2 : 1);
        if (next > room || next > arguments.size()) break;
        end = next;
    }
    if (end > 0) line += ' ' + arguments.substr(0, end);
    return line;
}

}  // namespace

extern "C" int WINAPI GetLnkCmdline(const char* path, char* buffer, int size)
{
    if (!buffer || size < 0) return 0;
    buffer[0] = '\0';
    if (!path) return 0;
    // Nothing may escape into the caller: in a 32-bit build an exception cannot cross from this
    // library into it. Without memory the answer is the empty text.
    try {
        TLinkCommand command;
        if (!EntryCommand(path, command)) return 0;
        const std::string line = FittedLine(command, static_cast<size_t>(size));
        std::memcpy(buffer, line.c_str(), line.size() + 1);
        return static_cast<int>(line.size());
    } catch (...) {
        buffer[0] = '\0';
        return 0;
    }
}

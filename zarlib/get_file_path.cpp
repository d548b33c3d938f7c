// GetFilePath: the file that a command-line candidate runs when the candidate as a whole is
// no existing file.
//
// Windows stores such candidates unquoted: "C:\Program Files\Foo\foo.exe /bg", "notepad.exe
// %1", "C:\Tools\scan -q". The answer follows the rule the system itself uses to start an
// unquoted command line: the text is cut at each run of blanks, from the shortest prefix to
// the longest, and the first prefix that names an existing file wins, with ".exe" added to a
// name without an extension. The shortest wins, not the longest, because that is the file
// Windows would really start: a stray C:\Program.exe runs instead of anything under
// C:\Program Files, and a clean-up tool must show the file that actually runs.
//
// A bare name (no directory part) also counts as found when the Windows or the system
// directory holds it; the bare name is returned, and the caller completes it with those
// directories in the same order. When no prefix names a file, the answer is the shortest
// prefix that ends in an extension of a runnable or loadable file, else the first word.
#include <string>
#include <vector>

#include "platform/path_policy.h"
#include "zarlib.h"

namespace {

thread_local std::string g_filePath;

// No path that Windows can open is longer, and no file system keeps a longer name.
constexpr size_t kMaxPath = 32767;
constexpr size_t kMaxComponent = 255;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A byte that starts a double-byte character takes the next one with it, as the system's
// code page says; a separator or a blank can be the second byte of a character in some code
// pages (a backslash is, in GBK), and must not be taken for a separator there.
size_t NextChar(const std::string& text, size_t i)
{
    return IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? i + 2 : i + 1;
}

// The text without leading and trailing blanks; when it then starts with a quote, the quoted
// part (up to the closing quote, or the end when there is none).
std::string Unwrap(const std::string& text, bool& quoted)
{
    size_t first = text.size();
    size_t last = 0;
    for (size_t i = 0; i < text.size(); i = NextChar(text, i)) {
        const size_t next = NextChar(text, i);
        if (next == i + 1 && IsBlank(text[i])) continue;
        if (first == text.size()) first = i;
        last = next;
    }
    if (first == text.size()) return {};
    quoted = text[first] == '"';
    if (!quoted) return text.substr(first, last - first);
    const size_t close = text.find('"', first + 1);
    return text.substr(first + 1, (close == std::string::npos ? last : close) - first - 1);
}

// One way to cut the text: its first `length` bytes, and what they say about the file name.
struct TPrefix {
    size_t length = 0;
    size_t componentLength = 0;  // of the last path component
    size_t extension = std::string::npos;  // offset of the last dot in the last component
    bool bare = true;            // no drive or directory part
};

std::vector<TPrefix> Prefixes(const std::string& text, bool splitAtBlanks)
{
    std::vector<TPrefix> prefixes;
    TPrefix current;
    bool inBlanks = false;
    for (size_t i = 0; i < text.size() && i <= kMaxPath; i = NextChar(text, i)) {
        const bool single = NextChar(text, i) == i + 1;
        const char c = text[i];
        if (single && splitAtBlanks && IsBlank(c)) {
            if (!inBlanks) {
                current.length = i;
                prefixes.push_back(current);
            }
            inBlanks = true;
        } else {
            inBlanks = false;
        }
        if (single && (c == '\\' || c == '/' || c == ':')) {
            current.bare = false;
            current.componentLength = 0;
            current.extension = std::string::npos;
            continue;
        }
        if (single && c == '.') current.extension = i;
        current.componentLength += NextChar(text, i) - i;
    }
    if (text.size() <= kMaxPath) {
        current.length = text.size();
        prefixes.push_back(current);
    }
    return prefixes;
}

// No search reaches a network path or a device name (see MayOpenPath): a candidate naming one
// is answered from its text alone. The last character, not the last byte, tells a trailing
// backslash: the second byte of a double-byte character can equal one.
bool IsFile(const std::string& path)
{
    if (path.empty() || path.size() > kMaxPath || !zv::MayOpenPath(path)) return false;
    if (zv::LastComponentStart(path) == path.size()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Directory(UINT(WINAPI* read)(LPSTR, UINT))
{
    std::string buffer(MAX_PATH, '\0');
    UINT length = read(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.assign(length, '\0');
        length = read(buffer.data(), length);
    }
    buffer.resize(length < buffer.size() ? length : 0);
    return buffer;
}

// The name as the caller should take it when the prefix names a file, else empty.
std::string Locate(const std::string& name, const TPrefix& prefix, std::vector<std::string>& directories)
{
    std::vector<std::string> names{name};
    if (prefix.extension == std::string::npos) names.push_back(name + ".exe");
    for (const std::string& n : names) {
        if (IsFile(n)) return n;
    }
    if (!prefix.bare) return {};
    if (directories.empty()) directories = {Directory(GetWindowsDirectoryA), Directory(GetSystemDirectoryA)};
    for (const std::string& directory : directories) {
        if (directory.empty()) continue;
        for (const std::string& n : names) {
            if (IsFile(directory + "\\" + n)) return n;
        }
    }
    return {};
}

bool IsRunnableExtension(const std::string& text, const TPrefix& prefix)
{
    if (prefix.extension == std::string::npos) return false;
    std::string extension = text.substr(prefix.extension + 1, prefix.length - prefix.extension - 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (const char* known : {"exe", "com", "bat", "cmd", "pif", "scr", "dll", "ocx", "cpl"}) {
        if (extension == known) return true;
    }
    return false;
}

std::string FilePath(const std::string& candidate)
{
    bool quoted = false;
    const std::string text = Unwrap(candidate, quoted);
    if (text.empty()) return {};
    const std::vector<TPrefix> prefixes = Prefixes(text, !quoted);

    std::vector<std::string> directories;
    for (const TPrefix& prefix : prefixes) {
        if (prefix.componentLength > kMaxComponent) continue;
        std::string found = Locate(text.substr(0, prefix.length), prefix, directories);
        if (!found.empty()) return found;
    }
    for (const TPrefix& prefix : prefixes) {
        if (IsRunnableExtension(text, prefix)) return text.substr(0, prefix.length);
    }
    if (quoted) return text;
    size_t word = 0;
    while (word < text.size() && !(NextChar(text, word) == word + 1 && IsBlank(text[word]))) {
        word = NextChar(text, word);
    }
    return text.substr(0, word);
}

}  // namespace

extern "C" const char* WINAPI GetFilePath(const char* candidate)
{
    // Nothing may escape into the caller, which is not C++ as far as this library knows:
    // without memory the answer is the empty text.
    try {
        g_filePath = FilePath(candidate ? candidate : "");
    } catch (...) {
        g_filePath.clear();
    }
    return g_filePath.c_str();
}

// A mutation fuzzer for zarlib's GetLnkCmdline: shortcuts saved by the shell and shortcuts
// built byte by byte (ID lists, environment targets), damaged at random. Every input goes to
// the link parser itself with its last byte right before a page the process may not read, so
// a read past the end of the file faults at once. One input in 16 is also written to a file
// and passed through the real function in this process (the file system is what makes that
// slow under Wine): every call must leave a NUL-terminated text within the size it was given
// and write nothing past it. On a crash the input that caused it is kept as
// crash-<iteration>.lnk in the work folder.
//
//   fuzz_lnk_cmdline.exe [iterations=100000] [seed=1] [work folder=%TEMP%\zvfuzz]
#include <zarlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../tests/zarlib_lnk/shell_link_maker.h"

// The parser as the program's core library compiles it in: the library exports only
// GetLnkCmdline, which reads the input into memory of its own, so only here can the input end
// right before an unreadable page.
#include "link_bytes.h"
#include "shell_link.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string g_work;
long g_iteration = 0;
const Bytes* g_current = nullptr;

LONG WINAPI KeepCrashingInput(EXCEPTION_POINTERS* info)
{
    const std::string copy = g_work + "\\crash-" + std::to_string(g_iteration) + ".lnk";
    if (g_current) zvtest::WriteBytes(copy, *g_current);
    std::printf("CRASH: exception 0x%08lX; input kept as %s\n", info->ExceptionRecord->ExceptionCode, copy.c_str());
    std::fflush(stdout);
    ExitProcess(2);
}

class TMutator {
public:
    explicit TMutator(unsigned seed) : m_random(seed) {}

    Bytes Mutate(const Bytes& seed)
    {
        Bytes b = seed;
        const int steps = 1 + Below(4);
        for (int i = 0; i < steps && !b.empty(); ++i) Step(b);
        return b;
    }

    int Below(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }

private:
    void Put(Bytes& b, size_t at, uint32_t value, int width)
    {
        for (int k = 0; k < width && at + k < b.size(); ++k) b[at + k] = static_cast<unsigned char>(value >> (8 * k));
    }

    uint32_t Interesting(const Bytes& b, size_t at)
    {
        const uint32_t values[] = {0,
                                   1,
                                   2,
                                   3,
                                   7,
                                   8,
                                   9,
                                   0x1F,
                                   0x2F,
                                   0x31,
                                   0x32,
                                   0x36,
                                   0x7F,
                                   0x80,
                                   0xFF,
                                   0x7FFF,
                                   0xFFFF,
                                   0x314,
                                   0xBEEF0004,
                                   0xA0000001,
                                   0x7FFFFFFF,
                                   0xFFFFFFFF,
                                   static_cast<uint32_t>(b.size()),
                                   static_cast<uint32_t>(b.size() - at),
                                   static_cast<uint32_t>(b.size() - at + 1),
                                   static_cast<uint32_t>(Below(512))};
        return values[Below(static_cast<int>(sizeof(values) / sizeof(values[0])))];
    }

    void Step(Bytes& b)
    {
        const size_t at = static_cast<size_t>(Below(static_cast<int>(b.size())));
        switch (Below(7)) {
        case 0:
            b[at] ^= static_cast<unsigned char>(1u << Below(8));
            break;
        case 1:
            Put(b, at, Interesting(b, at), 1);
            break;
        case 2:
            Put(b, at, Interesting(b, at), 2);
            break;
        case 3:
            Put(b, at, Interesting(b, at), 4);
            break;
        case 4:
            b.resize(at);
            break;
        case 5: {
            const size_t count = static_cast<size_t>(1 + Below(16));
            Bytes junk(count);
            for (auto& c : junk) c = static_cast<unsigned char>(Below(256));
            b.insert(b.begin() + static_cast<ptrdiff_t>(at), junk.begin(), junk.end());
            break;
        }
        default: {
            const size_t count = std::min(b.size() - at, static_cast<size_t>(1 + Below(64)));
            const Bytes chunk(b.begin() + static_cast<ptrdiff_t>(at), b.begin() + static_cast<ptrdiff_t>(at + count));
            const size_t to = static_cast<size_t>(Below(static_cast<int>(b.size())));
            b.insert(b.begin() + static_cast<ptrdiff_t>(to), chunk.begin(), chunk.end());
            break;
        }
        }
    }

    std::mt19937 m_random;
};

// A copy of the input whose last byte is the last readable one: the page after it is
// reserved and may not be read.
class TGuardedCopy {
public:
    explicit TGuardedCopy(size_t capacity)
    {
        SYSTEM_INFO system{};
        GetSystemInfo(&system);
        m_readable = (capacity + system.dwPageSize - 1) / system.dwPageSize * system.dwPageSize;
        m_base = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, m_readable + system.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
        if (m_base && !VirtualAlloc(m_base, m_readable, MEM_COMMIT, PAGE_READWRITE)) {
            VirtualFree(m_base, 0, MEM_RELEASE);
            m_base = nullptr;
        }
    }
    ~TGuardedCopy()
    {
        if (m_base) VirtualFree(m_base, 0, MEM_RELEASE);
    }
    TGuardedCopy(const TGuardedCopy&) = delete;
    TGuardedCopy& operator=(const TGuardedCopy&) = delete;

    bool Ok() const { return m_base != nullptr; }
    // The input's bytes where they end at the unreadable page; false when they do not fit.
    bool Put(const Bytes& input, zarlib::TBytes& bytes)
    {
        if (input.size() > m_readable) return false;
        unsigned char* at = m_base + m_readable - input.size();
        std::copy(input.begin(), input.end(), at);
        bytes = zarlib::TBytes(at, input.size());
        return true;
    }

private:
    unsigned char* m_base = nullptr;
    size_t m_readable = 0;
};

// The seeds: shortcuts the shell saves, to a program with a blank and arguments, to a program
// with a Chinese name and Chinese arguments, and to a folder. The links the tests build by hand
// join them.
std::vector<Bytes> ShellMadeSeeds(const std::string& work)
{
    const std::string appDir = work + "\\My App", chineseDir = work + "\\程序";
    CreateDirectoryA(appDir.c_str(), nullptr);
    CreateDirectoryA(chineseDir.c_str(), nullptr);
    zvtest::WriteBytes(appDir + "\\app.exe", Bytes{'M', 'Z'});
    zvtest::WriteBytes(chineseDir + "\\记事本.exe", Bytes{'M', 'Z'});
    struct TSeed {
        std::string target, arguments;
    };
    const TSeed seeds[] = {{appDir + "\\app.exe", "-a /b --long-option=\"a value\""},
                           {chineseDir + "\\记事本.exe", "/打开 文件.txt"},
                           {chineseDir, ""}};
    std::vector<Bytes> made;
    for (const TSeed& s : seeds) {
        const std::string link = work + "\\seed.lnk";
        if (zvtest::SaveShellLink(link, s.target, s.arguments)) made.push_back(zvtest::ReadBytes(link));
    }
    return made;
}

}  // namespace

int main(int argc, char** argv)
{
    const long iterations = argc > 1 ? std::atol(argv[1]) : 100000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1u;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    g_work = argc > 3 ? argv[3] : std::string(temp) + "zvfuzz";
    CreateDirectoryA(g_work.c_str(), nullptr);

    zvtest::TComScope com;
    std::vector<Bytes> seeds = ShellMadeSeeds(g_work);
    const size_t shellMade = seeds.size();
    if (shellMade == 0) {
        std::printf("no seed shortcut could be saved\n");
        return 1;
    }
    for (const zvtest::TLinkShape& shape : zvtest::LinkShapes()) seeds.push_back(shape.bytes);
    SetEnvironmentVariableA(zvtest::kToolsVariable, zvtest::kToolsFolder);
    // As much as the library reads of a file.
    TGuardedCopy guarded(1024 * 1024);
    if (!guarded.Ok()) {
        std::printf("cannot reserve the guarded copy\n");
        return 1;
    }
    const std::string input = g_work + "\\input.lnk";
    SetUnhandledExceptionFilter(KeepCrashingInput);

    TMutator mutator(seed);
    constexpr unsigned char kGuard = 0xCC;
    long parsed[2] = {}, gaveTarget[2] = {};  // of shell-made seeds, of hand-made ones
    long called = 0, gaveLine = 0, failures = 0;
    std::set<std::string> distinct;
    const ULONGLONG start = GetTickCount64();
    for (g_iteration = 0; g_iteration < iterations; ++g_iteration) {
        const size_t from = static_cast<size_t>(mutator.Below(static_cast<int>(seeds.size())));
        const int kind = from < shellMade ? 0 : 1;
        const Bytes mutated = mutator.Mutate(seeds[from]);
        g_current = &mutated;
        zarlib::TBytes bytes;
        if (!guarded.Put(mutated, bytes)) {
            std::printf("input %ld is larger than the guarded copy\n", g_iteration);
            return 1;
        }
        zarlib::TLinkCommand command;
        zarlib::TLinkIconPlaces places;
        ++parsed[kind];
        if (zarlib::ParseShellLink(bytes, command, &places)) ++gaveTarget[kind];
        if (g_iteration % 16 != 0) continue;

        if (!zvtest::WriteBytes(input, mutated)) {
            std::printf("cannot write %s\n", input.c_str());
            return 1;
        }
        const int size = mutator.Below(4) == 0 ? mutator.Below(80) : 1024;
        std::vector<char> buffer(static_cast<size_t>(size) + 1 + 32, static_cast<char>(kGuard));
        GetLnkCmdline(input.c_str(), buffer.data(), size);
        ++called;
        bool ok = std::memchr(buffer.data(), 0, static_cast<size_t>(size) + 1) != nullptr;
        for (size_t k = static_cast<size_t>(size) + 1; k < buffer.size(); ++k) {
            ok = ok && static_cast<unsigned char>(buffer[k]) == kGuard;
        }
        if (!ok) {
            ++failures;
            zvtest::WriteBytes(g_work + "\\overrun-" + std::to_string(g_iteration) + ".lnk", mutated);
        }
        if (buffer[0] != '\0') {
            ++gaveLine;
            if (distinct.size() < 100000) distinct.insert(buffer.data());
        }
    }
    g_current = nullptr;
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
    std::printf(
        "%ld mutations (seed %u) in %.1f s, no crash and no read past an input:\n"
        "  of %zu shell-made shortcuts: %ld parsed, %ld gave a target\n"
        "  of %zu hand-made shortcuts: %ld parsed, %ld gave a target\n"
        "  %ld through GetLnkCmdline: %ld gave a command line (%zu distinct), %ld broke the buffer "
        "contract\n",
        iterations, seed, seconds, shellMade, parsed[0], gaveTarget[0], seeds.size() - shellMade, parsed[1],
        gaveTarget[1], called, gaveLine, distinct.size(), failures);
    return failures ? 1 : 0;
}

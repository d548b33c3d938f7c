// A mutation fuzzer for zarlib's GetLnkCmdline: shortcuts saved by the shell, damaged at
// random, are passed through the real function in this process. Every call must leave a
// NUL-terminated text within the size it was given and write nothing past it. On a crash the
// input that caused it is kept as crash-<iteration>.lnk in the work folder.
//
//   fuzz_lnk_cmdline.exe [iterations=100000] [seed=1] [work folder=%TEMP%\zvfuzz]
#include <zarlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../tests/zarlib_lnk/shell_link_maker.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string g_input;
std::string g_crashCopy;

LONG WINAPI KeepCrashingInput(EXCEPTION_POINTERS* info)
{
    CopyFileA(g_input.c_str(), g_crashCopy.c_str(), FALSE);
    std::printf("CRASH: exception 0x%08lX; input kept as %s\n", info->ExceptionRecord->ExceptionCode,
                g_crashCopy.c_str());
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
                                   0x7F,
                                   0x80,
                                   0xFF,
                                   0x7FFF,
                                   0xFFFF,
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

// The seeds: shortcuts the shell saves, to a program with a blank and arguments, to a program
// with a Chinese name and Chinese arguments, and to a folder.
std::vector<Bytes> MakeSeeds(const std::string& work)
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
    const std::string work = argc > 3 ? argv[3] : std::string(temp) + "zvfuzz";
    CreateDirectoryA(work.c_str(), nullptr);

    zvtest::TComScope com;
    const std::vector<Bytes> seeds = MakeSeeds(work);
    if (seeds.empty()) {
        std::printf("no seed shortcut could be saved\n");
        return 1;
    }
    g_input = work + "\\input.lnk";
    SetUnhandledExceptionFilter(KeepCrashingInput);

    TMutator mutator(seed);
    constexpr unsigned char kGuard = 0xCC;
    long nonEmpty = 0, failures = 0;
    std::set<std::string> distinct;
    const ULONGLONG start = GetTickCount64();
    for (long i = 0; i < iterations; ++i) {
        const Bytes input = mutator.Mutate(seeds[static_cast<size_t>(mutator.Below(static_cast<int>(seeds.size())))]);
        g_crashCopy = work + "\\crash-" + std::to_string(i) + ".lnk";
        if (!zvtest::WriteBytes(g_input, input)) {
            std::printf("cannot write %s\n", g_input.c_str());
            return 1;
        }
        const int size = mutator.Below(4) == 0 ? mutator.Below(80) : 1024;
        std::vector<char> buffer(static_cast<size_t>(size) + 1 + 32, static_cast<char>(kGuard));
        GetLnkCmdline(g_input.c_str(), buffer.data(), size);
        bool ok = std::memchr(buffer.data(), 0, static_cast<size_t>(size) + 1) != nullptr;
        for (size_t k = static_cast<size_t>(size) + 1; k < buffer.size(); ++k) {
            ok = ok && static_cast<unsigned char>(buffer[k]) == kGuard;
        }
        if (!ok) {
            ++failures;
            CopyFileA(g_input.c_str(), (work + "\\overrun-" + std::to_string(i) + ".lnk").c_str(), FALSE);
        }
        if (buffer[0] != '\0') {
            ++nonEmpty;
            if (distinct.size() < 100000) distinct.insert(buffer.data());
        }
    }
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
    std::printf("%ld mutations of %zu shell-made shortcuts (seed %u) in %.1f s: %ld gave a command line "
                "(%zu distinct), %ld broke the buffer contract, no crash\n",
                iterations, seeds.size(), seed, seconds, nonEmpty, distinct.size(), failures);
    return failures ? 1 : 0;
}

// zarlib's GetLnkCmdline on shortcuts the shell itself saved, on other entries, and on
// damaged and hostile shortcut files.
#include <zarlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "shell_link_maker.h"
#include "zvtest.h"

namespace {

using zvtest::ReadBytes;
using zvtest::SaveShellLink;
using zvtest::WriteBytes;
using Bytes = std::vector<unsigned char>;

constexpr int kCallerSize = 1024;
constexpr unsigned char kGuard = 0xCC;

// Calls the library as the startup scan does, and checks that it wrote nothing past
// size + 1 bytes and left a NUL-terminated text of at most `size` bytes.
std::string CommandLineOf(const std::string& path, int size = kCallerSize)
{
    std::vector<char> buffer(static_cast<size_t>(size) + 1 + 64, static_cast<char>(kGuard));
    GetLnkCmdline(path.c_str(), buffer.data(), size);
    for (size_t i = static_cast<size_t>(size) + 1; i < buffer.size(); ++i) {
        EXPECT_EQ(static_cast<unsigned char>(buffer[i]), kGuard) << "written past the buffer at " << i;
    }
    const size_t length = strnlen(buffer.data(), static_cast<size_t>(size) + 1);
    EXPECT_LE(length, static_cast<size_t>(size)) << "no NUL within the buffer";
    return std::string(buffer.data(), length);
}

uint32_t U16At(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t U32At(const Bytes& b, size_t at) { return U16At(b, at) | (U16At(b, at + 2) << 16); }
void PutU16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void PutU32(Bytes& b, size_t at, uint32_t v)
{
    PutU16(b, at, v & 0xFFFF);
    PutU16(b, at + 2, v >> 16);
}

// Where the LinkInfo of a saved link starts: after the header and the optional ID list.
size_t LinkInfoAt(const Bytes& b)
{
    const uint32_t flags = U32At(b, 0x14);
    return 0x4C + ((flags & 1) ? 2 + U16At(b, 0x4C) : 0);
}

// Byte position of a text stored in UTF-16 inside the file, or npos.
size_t FindWide(const Bytes& b, const std::wstring& text)
{
    Bytes needle;
    for (wchar_t c : text) {
        needle.push_back(static_cast<unsigned char>(c));
        needle.push_back(static_cast<unsigned char>(c >> 8));
    }
    auto it = std::search(b.begin(), b.end(), needle.begin(), needle.end());
    return it == b.end() ? std::string::npos : static_cast<size_t>(it - b.begin());
}

// A little-endian writer for links made by hand, for the LinkInfo forms Wine never writes.
struct TLinkWriter {
    Bytes bytes;
    void U16(uint32_t v)
    {
        bytes.push_back(static_cast<unsigned char>(v));
        bytes.push_back(static_cast<unsigned char>(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Ansi(const std::string& s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
    }
    void Wide(const std::wstring& s)
    {
        for (wchar_t c : s) U16(static_cast<uint16_t>(c));
        U16(0);
    }
    void Header(uint32_t flags)
    {
        U32(0x4C);
        static const unsigned char clsid[16] = {1, 0x14, 2, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
        bytes.insert(bytes.end(), clsid, clsid + 16);
        U32(flags);
        bytes.resize(0x4C, 0);
    }
    void Append(const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
};

class LnkCmdline : public testing::Test {
protected:
    void SetUp() override
    {
        // Expected lines below quote only the parts that hold a blank.
        ASSERT_EQ(dir.Path().find(' '), std::string::npos);
        CreateDirectoryA((dir.Path() + "\\My App").c_str(), nullptr);
        CreateDirectoryA((dir.Path() + "\\程序").c_str(), nullptr);
        CreateDirectoryA((dir.Path() + "\\文件夹 A").c_str(), nullptr);
        app = dir.File("My App\\app.exe");
        chineseApp = dir.File("程序\\记事本.exe");
        folder = dir.Path() + "\\文件夹 A";
    }

    std::string Link(const std::string& name, const std::string& target, const std::string& arguments = {})
    {
        const std::string path = dir.Path() + "\\" + name;
        EXPECT_TRUE(SaveShellLink(path, target, arguments)) << path;
        return path;
    }

    zvtest::TComScope com;
    zvtest::TTempDir dir;
    std::string app, chineseApp, folder;
};

TEST_F(LnkCmdline, ShellMadeLinksGiveTargetAndArguments)
{
    EXPECT_EQ(CommandLineOf(Link("blank.lnk", app, "-a /b")), "\"" + app + "\" -a /b");
    EXPECT_EQ(CommandLineOf(Link("plain.lnk", chineseApp)), chineseApp);
    EXPECT_EQ(CommandLineOf(Link("中文参数.LNK", chineseApp, "/打开 \"文件 名.txt\"")),
              chineseApp + " /打开 \"文件 名.txt\"");
    EXPECT_EQ(CommandLineOf(Link("folder.lnk", folder)), "\"" + folder + "\"");
}

TEST_F(LnkCmdline, OtherEntriesGiveTheirOwnPath)
{
    EXPECT_EQ(CommandLineOf(app), "\"" + app + "\"");
    const std::string script = dir.File("run.vbs", "WScript.Echo 1");
    EXPECT_EQ(CommandLineOf(script), script);
    EXPECT_EQ(CommandLineOf(folder), "\"" + folder + "\"");
    EXPECT_EQ(CommandLineOf(dir.Path()), dir.Path());
    // A folder whose name ends in .lnk is still a folder.
    const std::string linkNamedFolder = dir.Path() + "\\odd.lnk";
    CreateDirectoryA(linkNamedFolder.c_str(), nullptr);
    EXPECT_EQ(CommandLineOf(linkNamedFolder), linkNamedFolder);

    EXPECT_EQ(CommandLineOf(dir.Path() + "\\missing.exe"), "");
    // Reserved device names name no file, whatever folder they are put in.
    EXPECT_EQ(CommandLineOf(dir.Path() + "\\CON.lnk"), "");
    EXPECT_EQ(CommandLineOf(dir.Path() + "\\NUL.lnk"), "");
    EXPECT_EQ(CommandLineOf(dir.File("text.lnk", "not a shortcut")), "");
    EXPECT_EQ(CommandLineOf(dir.File("empty.lnk", "")), "");
}

TEST_F(LnkCmdline, HonoursTheBufferSize)
{
    const std::string link = Link("blank.lnk", app, "-a /b");
    const std::string line = "\"" + app + "\" -a /b";
    const int exact = static_cast<int>(line.size());
    EXPECT_EQ(CommandLineOf(link, exact), line);
    // A cut line would start something else: nothing is written instead.
    EXPECT_EQ(CommandLineOf(link, exact - 1), "");
    EXPECT_EQ(CommandLineOf(link, 0), "");

    char untouched = static_cast<char>(kGuard);
    EXPECT_EQ(GetLnkCmdline(link.c_str(), &untouched, -1), 0);
    EXPECT_EQ(static_cast<unsigned char>(untouched), kGuard);
    EXPECT_EQ(GetLnkCmdline(link.c_str(), nullptr, kCallerSize), 0);
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(GetLnkCmdline(nullptr, buffer, 7), 0);
    EXPECT_STREQ(buffer, "");
}

TEST_F(LnkCmdline, TruncatedLinksGiveNothingOrTheWholeLine)
{
    const std::string source = Link("blank.lnk", app, "-a /b");
    const std::string line = CommandLineOf(source);
    const Bytes whole = ReadBytes(source);
    const size_t argsCount = FindWide(whole, L"-a /b") - 2;
    const size_t argumentsEnd = argsCount + 2 + 2 * U16At(whole, argsCount);
    ASSERT_LE(argumentsEnd, whole.size());

    const std::string cut = dir.Path() + "\\cut.lnk";
    for (size_t n = 0; n < whole.size(); ++n) {
        ASSERT_TRUE(WriteBytes(cut, Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n))));
        const std::string got = CommandLineOf(cut);
        // What follows the strings (extra data blocks) may go; the strings themselves may not.
        if (n < argumentsEnd) {
            EXPECT_EQ(got, "") << "cut at " << n;
        } else {
            EXPECT_EQ(got, line) << "cut at " << n;
        }
    }
}

TEST_F(LnkCmdline, FieldsClaimingMoreThanTheFileHoldsGiveNothing)
{
    const std::string source = Link("blank.lnk", app, "-a /b");
    const Bytes whole = ReadBytes(source);
    const size_t info = LinkInfoAt(whole);
    const size_t argsCount = FindWide(whole, L"-a /b") - 2;
    // Wine counts the terminating NUL; Windows does not.
    ASSERT_GE(U16At(whole, argsCount), 5u);
    const uint32_t unitsLeft = static_cast<uint32_t>(whole.size() - argsCount - 2) / 2;

    const std::string damaged = dir.Path() + "\\damaged.lnk";
    auto with = [&](auto patch) {
        Bytes b = whole;
        patch(b);
        EXPECT_TRUE(WriteBytes(damaged, b));
        return CommandLineOf(damaged);
    };
    EXPECT_EQ(with([&](Bytes& b) { PutU16(b, argsCount, 0xFFFF); }), "");
    EXPECT_EQ(with([&](Bytes& b) { PutU16(b, argsCount, unitsLeft + 1); }), "") << "one unit past the end";
    EXPECT_EQ(with([&](Bytes& b) { PutU32(b, info, 0xFFFFFFFF); }), "");
    EXPECT_EQ(with([&](Bytes& b) { PutU32(b, info, 0x10); }), "");
    EXPECT_EQ(with([&](Bytes& b) { PutU32(b, info + 0x10, 0xFFFFFFF0); }), "") << "LocalBasePath offset";
    EXPECT_EQ(with([&](Bytes& b) { PutU32(b, info + 0x18, U32At(b, info)); }), "") << "suffix at the very end";
    EXPECT_EQ(with([&](Bytes& b) { PutU32(b, info + 4, 0x20); }), "") << "LinkInfo header size";
    EXPECT_EQ(with([&](Bytes& b) { PutU16(b, 0x4C, 0xFFFF); }), "") << "ID list size";
    EXPECT_EQ(with([&](Bytes& b) { b[0x10] ^= 1; }), "") << "CLSID";
    EXPECT_EQ(with([&](Bytes& b) { PutU32(b, 0, 0x4D); }), "") << "header size";
    // The base path's NUL removed: the string would run into the rest of the LinkInfo.
    EXPECT_EQ(with([&](Bytes& b) {
                  const size_t end = info + U32At(b, info);
                  for (size_t i = info + U32At(b, info + 0x10); i < end; ++i) b[i] = b[i] ? b[i] : 'x';
              }),
              "");
    // A character the code page cannot hold in the arguments.
    EXPECT_EQ(with([&](Bytes& b) { PutU16(b, argsCount + 2, 0x0E01); }), "");
    EXPECT_EQ(with([&](Bytes& b) { PutU16(b, argsCount + 2, 0); }), "") << "a NUL inside the arguments";

    // A valid link followed by junk is only read up to 1 MiB.
    Bytes big = whole;
    EXPECT_EQ(with([&](Bytes& b) { b.resize(512 * 1024, 0); }), CommandLineOf(source));
    big.resize(1024 * 1024 + 1, 0);
    ASSERT_TRUE(WriteBytes(damaged, big));
    EXPECT_EQ(CommandLineOf(damaged), "");
}

TEST_F(LnkCmdline, HandMadeLinkInfoForms)
{
    const std::string path = dir.Path() + "\\made.lnk";
    const uint32_t kHasLinkInfo = 0x2, kHasArguments = 0x20, kIsUnicode = 0x80;

    // A network target: the share, a backslash and the suffix; code-page strings.
    TLinkWriter net;
    net.Header(kHasLinkInfo | kHasArguments);
    const std::string share = "\\\\server\\共享";
    const uint32_t networkSize = 0x14 + static_cast<uint32_t>(share.size()) + 1;
    const std::string suffix = "工具\\run.exe";
    net.U32(0x1C + networkSize + static_cast<uint32_t>(suffix.size()) + 1);
    for (uint32_t v : {0x1Cu, 0x2u, 0u, 0u, 0x1Cu, 0x1Cu + networkSize}) net.U32(v);
    for (uint32_t v : {networkSize, 0u, 0x14u, 0u, 0u}) net.U32(v);
    net.Ansi(share);
    net.Ansi(suffix);
    const std::string args = "/x 中文";
    net.U16(static_cast<uint32_t>(args.size()));
    net.Append(Bytes(args.begin(), args.end()));
    ASSERT_TRUE(WriteBytes(path, net.bytes));
    EXPECT_EQ(CommandLineOf(path), share + "\\" + suffix + " " + args);

    // A LinkInfo with Unicode paths, which win over the code-page ones.
    TLinkWriter wide;
    wide.Header(kHasLinkInfo | kIsUnicode);
    const std::string ansiBase = "C:\\ansi.exe";
    const std::wstring wideBase = L"C:\\程序 宽\\宽.exe";
    const uint32_t ansiBaseAt = 0x24, ansiSuffixAt = ansiBaseAt + static_cast<uint32_t>(ansiBase.size()) + 1;
    const uint32_t wideBaseAt = ansiSuffixAt + 1;
    const uint32_t wideSuffixAt = wideBaseAt + 2 * (static_cast<uint32_t>(wideBase.size()) + 1);
    wide.U32(wideSuffixAt + 2);
    for (uint32_t v : {0x24u, 0x1u, 0u, ansiBaseAt, 0u, ansiSuffixAt, wideBaseAt, wideSuffixAt}) wide.U32(v);
    wide.Ansi(ansiBase);
    wide.Ansi("");
    wide.Wide(wideBase);
    wide.Wide(L"");
    ASSERT_TRUE(WriteBytes(path, wide.bytes));
    EXPECT_EQ(CommandLineOf(path), "\"C:\\程序 宽\\宽.exe\"");

    // Without a LinkInfo nothing names the target in a form worth vouching for.
    TLinkWriter bare;
    bare.Header(kHasArguments);
    bare.U16(2);
    bare.Append(Bytes{'/', 'x'});
    ASSERT_TRUE(WriteBytes(path, bare.bytes));
    EXPECT_EQ(CommandLineOf(path), "");
}

}  // namespace

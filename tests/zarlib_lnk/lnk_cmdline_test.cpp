// zarlib's GetLnkCmdline on shortcuts the shell itself saved, on shortcuts built byte by byte
// in the other forms Windows writes, on other entries, and on damaged and hostile shortcut
// files.
#include <zarlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "shell_link_maker.h"
#include "zvtest.h"

namespace {

using zvtest::Bytes;
using zvtest::ClassItem;
using zvtest::DriveItem;
using zvtest::EnvironmentBlock;
using zvtest::FileEntryItem;
using zvtest::LocalLinkInfo;
using zvtest::MakeLink;
using zvtest::ReadBytes;
using zvtest::SaveShellLink;
using zvtest::ShellItem;
using zvtest::TLinkWriter;
using zvtest::WriteBytes;
namespace lnk = zvtest::lnk;

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

// Thai, of which GBK holds no character. (Not inside a test macro, which would quote it as
// narrow text.)
constexpr wchar_t kThai[] = L"ไทย";
constexpr unsigned char kFileEntrySignature[4] = {0x04, 0x00, 0xEF, 0xBE};

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
        SetEnvironmentVariableA(zvtest::kToolsVariable, zvtest::kToolsFolder);
    }
    void TearDown() override { SetEnvironmentVariableA(zvtest::kToolsVariable, nullptr); }

    std::string Link(const std::string& name, const std::string& target, const std::string& arguments = {})
    {
        const std::string path = dir.Path() + "\\" + name;
        EXPECT_TRUE(SaveShellLink(path, target, arguments)) << path;
        return path;
    }

    // The command line of a link given as bytes.
    std::string LineOf(const Bytes& link)
    {
        const std::string path = dir.Path() + "\\made.lnk";
        EXPECT_TRUE(WriteBytes(path, link));
        return CommandLineOf(path);
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

    // The ID list another writer made gives the same target as its LinkInfo.
    for (const char* name : {"blank.lnk", "plain.lnk", "中文参数.LNK", "folder.lnk"}) {
        const std::string link = dir.Path() + "\\" + name;
        Bytes b = ReadBytes(link);
        PutU32(b, 0x14, U32At(b, 0x14) | lnk::kForceNoLinkInfo);
        EXPECT_EQ(LineOf(b), CommandLineOf(link)) << name;
    }
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
    // The arguments are cut to fit, at a character boundary; the target never is.
    EXPECT_EQ(CommandLineOf(link, exact - 1), "\"" + app + "\" -a /");
    EXPECT_EQ(CommandLineOf(link, exact - 6), "\"" + app + "\"");
    EXPECT_EQ(CommandLineOf(link, exact - 7), "");
    EXPECT_EQ(CommandLineOf(link, 0), "");
    const std::string chinese = Link("chinese.lnk", chineseApp, "中文");
    EXPECT_EQ(CommandLineOf(chinese, static_cast<int>(chineseApp.size()) + 4), chineseApp + " 中");

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
    // A network target: the share, a backslash and the suffix; code-page strings.
    TLinkWriter net;
    net.Header(lnk::kHasLinkInfo | lnk::kHasArguments);
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
    EXPECT_EQ(LineOf(net.bytes), share + "\\" + suffix + " " + args);

    // A LinkInfo with Unicode paths, which win over the code-page ones.
    TLinkWriter wide;
    wide.Header(lnk::kHasLinkInfo | lnk::kIsUnicode);
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
    EXPECT_EQ(LineOf(wide.bytes), "\"C:\\程序 宽\\宽.exe\"");

    // With no LinkInfo, ID list or environment target nothing names the target.
    TLinkWriter bare;
    bare.Header(lnk::kHasArguments);
    bare.U16(2);
    bare.Append(Bytes{'/', 'x'});
    EXPECT_EQ(LineOf(bare.bytes), "");
}

TEST_F(LnkCmdline, HandMadeShapesGiveTheTargetTheShellResolves)
{
    for (const zvtest::TLinkShape& shape : zvtest::LinkShapes()) {
        EXPECT_EQ(LineOf(shape.bytes), shape.line) << shape.what;
    }
}

TEST_F(LnkCmdline, TargetsAreTakenInTheShellsOrder)
{
    const std::vector<Bytes> items = {ClassItem(), DriveItem("C:\\"), FileEntryItem("IDLIST.EXE", L"", 9, false)};
    const Bytes info = LocalLinkInfo("C:\\info.exe");
    const std::string tools = std::string("%") + zvtest::kToolsVariable + "%";
    // Another extra data block first (a console code page block), as Windows writes them.
    Bytes environment = {0x0C, 0, 0, 0, 0x04, 0, 0, 0xA0, 0xA8, 0x03, 0, 0};
    const Bytes block = EnvironmentBlock(tools + "\\ansi.exe", zvtest::Widen(tools + "\\宽.exe"));
    environment.insert(environment.end(), block.begin(), block.end());

    // The ID list is what runs; the LinkInfo only stands in for a target the ID list cannot name.
    EXPECT_EQ(LineOf(MakeLink(items, info)), "C:\\IDLIST.EXE");
    EXPECT_EQ(LineOf(MakeLink(items, info, {}, {}, lnk::kForceNoLinkInfo)), "C:\\IDLIST.EXE");
    const std::vector<Bytes> network = {ClassItem(CLSID_NetworkPlaces), ShellItem(0x41, Bytes(20, 0x11))};
    EXPECT_EQ(LineOf(MakeLink(network, info)), "C:\\info.exe");
    EXPECT_EQ(LineOf(MakeLink(items, info, {}, environment, lnk::kHasExpString)),
              std::string("\"") + zvtest::kToolsFolder + "\\宽.exe\"");
    EXPECT_EQ(LineOf(MakeLink(items, info, {}, environment)), "C:\\IDLIST.EXE") << "HasExpString not set";
    EXPECT_EQ(LineOf(MakeLink(items, {}, {}, {}, lnk::kHasExpString)), "C:\\IDLIST.EXE") << "no block";
    // A variable this system lacks leaves a path that is not where the link leads.
    const Bytes unset = EnvironmentBlock("%ZV_LNK_UNSET%\\a.exe", L"%ZV_LNK_UNSET%\\a.exe");
    EXPECT_EQ(LineOf(MakeLink(items, info, {}, unset, lnk::kHasExpString)), "C:\\IDLIST.EXE");
    // A Unicode form the code page cannot hold gives nothing: the code-page form is a guess.
    const std::wstring thaiPath = std::wstring(L"C:\\") + kThai + L"\\a.exe";
    EXPECT_EQ(LineOf(MakeLink({}, {}, {}, EnvironmentBlock("C:\\THAI~1\\a.exe", thaiPath), lnk::kHasExpString)), "");
    EXPECT_EQ(LineOf(MakeLink({}, {}, {}, EnvironmentBlock("C:\\???\\a.exe", thaiPath), lnk::kHasExpString)), "");
}

// The public sample of the shell link format: a shortcut to C:\test\a.txt saved by Windows,
// with an ID list, a LinkInfo, a relative path, a working folder and a tracker block.
constexpr char kFormatSample[] =
    "4C0000000114020000000000C0000000000000469B00080020000000D0E9EEF21515C901D0E9EEF21515C901D0E9EEF2"
    "1515C901000000000000000001000000000000000000000000000000BD0014001F50E04FD020EA3A6910A2D808002B30"
    "309D19002F433A5C0000000000000000000000000000000000000046003100000000002C3969A3100074657374000032"
    "0007000400EFBE2C3965A32C3969A326000000031E00000000F51E000000000000000000007400650073007400000014"
    "0048003200000000002C3969A32000612E74787400340007000400EFBE2C3969A32C3969A3260000002D6E0000000096"
    "010000000000000000000061002E007400780074000000140000003C0000001C000000010000001C0000002D00000000"
    "0000003B0000001100000003000000818A7A301000000000433A5C746573745C612E747874000007002E005C0061002E"
    "00740078007400070043003A005C00740065007300740060000000030000A0580000000000000063687269732D787073"
    "000000000000004078C79447FAC746B3565C2DC6B6D115EC46CD7B227FDD11949900137216874A4078C79447FAC746B3"
    "565C2DC6B6D115EC46CD7B227FDD11949900137216874A00000000";

Bytes FromHex(const char* hex)
{
    Bytes bytes;
    for (; hex[0] && hex[1]; hex += 2) {
        bytes.push_back(static_cast<unsigned char>(std::stoul(std::string(hex, 2), nullptr, 16)));
    }
    return bytes;
}

TEST_F(LnkCmdline, ReadAsWindowsRunsThem)
{
    const Bytes computer = ClassItem(), drive = DriveItem("C:\\");
    const std::vector<Bytes> evil = {computer, drive, FileEntryItem("EVIL.EXE", L"evil.exe", 9, false)};
    Bytes flagless = LocalLinkInfo("C:\\Windows\\notepad.exe");
    PutU32(flagless, 8, 0);
    const std::wstring thai = kThai;
    // The evil.exe entry with the word at `at` of its 0xBEEF0004 block (found by its signature) set.
    auto blockWord = [](size_t at, uint32_t value, size_t width = 2) {
        Bytes entry = FileEntryItem("EVIL.EXE", L"evil.exe", 9, false);
        const auto signature =
            std::search(entry.begin(), entry.end(), std::begin(kFileEntrySignature), std::end(kFileEntrySignature));
        const size_t block = static_cast<size_t>(signature - entry.begin()) - 4;
        width == 2 ? PutU16(entry, block + at, value) : PutU32(entry, block + at, value);
        return MakeLink({ClassItem(), DriveItem("C:\\"), entry});
    };
    const struct {
        const char* what;
        Bytes link;
        std::string line;
    } cases[] = {
        {"the format's own sample", FromHex(kFormatSample), "C:\\test\\a.txt"},
        {"ID list before LinkInfo", MakeLink(evil, LocalLinkInfo("C:\\Windows\\notepad.exe")), "C:\\evil.exe"},
        {"the newer ID list before the old",
         MakeLink({computer, drive, FileEntryItem("OLD.EXE", L"old.exe", 9, false)}, {}, {},
                  zvtest::VistaIdListBlock(evil)),
         "C:\\evil.exe"},
        {"a LinkInfo naming nothing", MakeLink(evil, flagless), "C:\\evil.exe"},
        {"an advertised shortcut", MakeLink(evil, {}, {}, {}, lnk::kHasDarwinId), ""},
        {"a description the code page lacks", MakeLink(evil, {}, "/q", {}, 0, {{lnk::kHasName, L"Launch " + thai}}),
         "C:\\evil.exe /q"},
        {"a NUL in the working folder",
         MakeLink(evil, {}, {}, {}, 0, {{lnk::kHasWorkingDir, std::wstring(L"C:\\a\0b", 6)}}), "C:\\evil.exe"},
        {"an icon location the code page lacks", MakeLink(evil, {}, {}, {}, 0, {{lnk::kHasIconLocation, thai}}),
         "C:\\evil.exe"},
        {"a block past its item", blockWord(0, 0x60), ""},
        {"a block's signature", blockWord(4, 0x12345678, 4), ""},
        {"a name offset against the version", blockWord(16, 20), ""},
        {"a version read by its name offset",
         MakeLink({computer, drive, FileEntryItem("EVIL.EXE", L"evil.exe", 2, false)}), "C:\\evil.exe"},
        {"a LinkInfo ending in a lead byte beside the ID list", MakeLink(evil, LocalLinkInfo("C:\\x\xB3")),
         "C:\\evil.exe"},
        {"a LinkInfo ending in a lead byte alone", MakeLink({}, LocalLinkInfo("C:\\x\xB3")), ""},
        {"an 8.3 name ending in a lead byte",
         MakeLink({computer, drive, FileEntryItem("AB\xB3", L""), FileEntryItem("C.EXE", L"", 9, false)}), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LineOf(c.link), c.line) << c.what;
}

TEST_F(LnkCmdline, IdListsGiveOnlyFileSystemPathsTheCodePageHolds)
{
    const Bytes computer = ClassItem(), drive = DriveItem("C:\\");
    // The second character's GBK trail byte is a backslash: the name is still one component.
    const Bytes folder = FileEntryItem("TOOLS~1", L"工具乗");
    const Bytes file = FileEntryItem("A.EXE", L"a.exe", 9, false);
    EXPECT_EQ(LineOf(MakeLink({computer, drive, folder, file})), "C:\\工具乗\\a.exe");

    EXPECT_EQ(LineOf(MakeLink({computer})), "") << "My Computer itself";
    EXPECT_EQ(LineOf(MakeLink({drive, folder, file})), "") << "no root item";
    EXPECT_EQ(LineOf(MakeLink({ClassItem(CLSID_MyDocuments), drive, folder, file})), "")
        << "a special folder as the root";
    EXPECT_EQ(LineOf(MakeLink({computer, DriveItem("1:\\"), folder, file})), "") << "no drive letter";
    EXPECT_EQ(LineOf(MakeLink({computer, drive, FileEntryItem("A.ZIP", L"a.zip", 9, false), file})), "")
        << "an item below a file";
    Bytes junction = folder;
    junction[2] |= 0x80;
    EXPECT_EQ(LineOf(MakeLink({computer, drive, junction, file})), "") << "an entry with a class of its own";
    for (const wchar_t* name : {L".", L"..", L"a\\b", L"a/b", L"a:b", L"a?b"}) {
        EXPECT_EQ(LineOf(MakeLink({computer, drive, FileEntryItem("X", name), file})), "") << name;
    }
    // A long name the code page cannot hold gives nothing, though its 8.3 name could be read.
    const std::wstring thaiName = std::wstring(kThai) + L".exe";
    EXPECT_EQ(LineOf(MakeLink({computer, drive, FileEntryItem("THAI~1.EXE", thaiName, 9, false)})), "");
    EXPECT_EQ(LineOf(MakeLink({computer, drive, FileEntryItem("", L"", 9, false, thaiName)})), "");
}

TEST_F(LnkCmdline, DamagedIdListsGiveNothing)
{
    const zvtest::TLinkShape shape = zvtest::LinkShapes().front();
    const Bytes& whole = shape.bytes;
    // Everything up to the arguments' end is needed; the terminal block after them is not.
    const size_t argumentsEnd = whole.size() - 4;
    for (size_t n = 0; n <= whole.size(); ++n) {
        EXPECT_EQ(LineOf(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n))),
                  n < argumentsEnd ? std::string() : shape.line)
            << "cut at " << n;
    }

    auto with = [&](auto patch) {
        Bytes b = whole;
        patch(b);
        return LineOf(b);
    };
    const size_t firstItem = 0x4C + 2;
    EXPECT_EQ(with([&](Bytes& b) { PutU16(b, firstItem, U16At(b, 0x4C) + 1); }), "") << "an item past the list";
    EXPECT_EQ(with([&](Bytes& b) { PutU16(b, firstItem, 2); }), "") << "an item without a type";
    EXPECT_EQ(with([&](Bytes& b) { PutU16(b, 0x4C, U16At(b, 0x4C) - 2); }), "") << "no terminator in the list";

    // A block of version 3 that claims version 9, whose fields before the name are longer than
    // the whole block.
    Bytes entry = FileEntryItem("A.EXE", L"a.exe", 3, false);
    const auto signature =
        std::search(entry.begin(), entry.end(), std::begin(kFileEntrySignature), std::end(kFileEntrySignature));
    ASSERT_NE(signature, entry.end());
    PutU16(entry, static_cast<size_t>(signature - entry.begin()) - 2, 9);
    EXPECT_EQ(LineOf(MakeLink({ClassItem(), DriveItem("C:\\"), entry})), "");
}

}  // namespace

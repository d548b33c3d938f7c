// Command lines as the registry and shortcuts store them, resolved to the file they run, and
// the small shell icon of a file.
#include "inventory_support.h"
#include "platform/cmdline.h"
#include "platform/handles.h"

using namespace inventorytest;
using zv::ExtractCommandFile;
using zv::FileExists;

namespace {

class TCurrentDirectory {
public:
    explicit TCurrentDirectory(const std::string& path)
    {
        char old[MAX_PATH + 1] = {};
        GetCurrentDirectoryA(sizeof(old), old);
        m_old = old;
        EXPECT_TRUE(SetCurrentDirectoryA(path.c_str()));
    }
    ~TCurrentDirectory() { SetCurrentDirectoryA(m_old.c_str()); }
    TCurrentDirectory(const TCurrentDirectory&) = delete;
    TCurrentDirectory& operator=(const TCurrentDirectory&) = delete;

private:
    std::string m_old;
};

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

TEST(FileExists, OnlyFilesThatAreThere)
{
    zvtest::TTempDir dir;
    const std::string file = dir.File("a.dll");
    EXPECT_TRUE(FileExists(file));
    // The long-path form is never opened, like a share's (no registration needs it).
    EXPECT_FALSE(FileExists("\\\\?\\" + file));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir.Path() + "\\"));
    EXPECT_FALSE(FileExists(file + "\\"));
    EXPECT_FALSE(FileExists(dir.Path() + "\\b.dll"));
    // A directory search would find a.dll for these patterns, yet they name no file.
    EXPECT_FALSE(FileExists(dir.Path() + "\\*.dll"));
    EXPECT_FALSE(FileExists(dir.Path() + "\\a.dl?"));

    TCurrentDirectory here(dir.Path());
    EXPECT_TRUE(FileExists("a.dll"));
    EXPECT_FALSE(FileExists("b.dll"));
}

TEST(FileExists, ANameEndingInATrailByteThatEqualsABackslash)
{
    // "乗" is 81 5C: the name ends in a character, not in a backslash.
    zvtest::TTempDir dir;
    const std::string file = dir.File("zv 乗");
    ASSERT_EQ(file.back(), '\\');
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(file + "\\"));
    EXPECT_EQ(ExtractCommandFile(file), file);
    // Through GetFilePath, whose own test must read it the same way.
    EXPECT_EQ(ExtractCommandFile(file + " /x"), file);
}

TEST(ExtractCommandFile, QuotesArgumentsAndExistingFiles)
{
    zvtest::TTempDir dir;
    const std::string spaced = dir.File("Zv App.exe");
    const std::string doc = dir.File("报告 文档.txt");

    EXPECT_EQ(ExtractCommandFile(""), "");
    EXPECT_EQ(ExtractCommandFile(Quoted(spaced) + " /s -x"), spaced);
    EXPECT_EQ(ExtractCommandFile("notepad.exe " + Quoted(doc)), doc);
    EXPECT_EQ(ExtractCommandFile(Quoted(doc) + " " + Quoted(spaced)), doc);
    EXPECT_EQ(ExtractCommandFile("notepad.exe " + Quoted(doc) + " /p"), doc);
    // One quote and no second: GetFilePath gets the empty text, which the directories complete.
    EXPECT_EQ(ExtractCommandFile("\"" + spaced), SystemDir() + "\\");
    // Unquoted with arguments: the blank-separated prefix that names the file.
    EXPECT_EQ(ExtractCommandFile(spaced + " /bg"), spaced);

    // Once Zv.exe lies beside it, GetFilePath would answer that shorter prefix: an existing
    // path taken as it stands proves that GetFilePath was not asked.
    const std::string shorter = dir.File("Zv.exe");
    EXPECT_EQ(ExtractCommandFile(spaced), spaced);
    EXPECT_EQ(ExtractCommandFile(Quoted(spaced) + " /bg"), spaced);
    EXPECT_EQ(ExtractCommandFile(spaced + " /bg"), shorter);
}

TEST(ExtractCommandFile, Rundll32LinesNameTheirLibrary)
{
    TLooseFile inWindows(WindowsDir(), "zvinv_win.dll");
    TLooseFile inSystem(SystemDir(), "zvinv_sys.dll");

    EXPECT_EQ(ExtractCommandFile("RUNDLL32.EXE zvinv_win.dll,Control_RunDLL"), inWindows.Path());
    EXPECT_EQ(ExtractCommandFile("rundll32.exe zvinv_sys.dll,Entry more,args"), inSystem.Path());
    EXPECT_EQ(ExtractCommandFile("C:\\WINDOWS\\RunDll32.exe zvinv_sys.dll,Entry"), inSystem.Path());
    // Whatever the quotes found, the library wins.
    EXPECT_EQ(ExtractCommandFile(Quoted(SystemDir() + "\\rundll32.exe") + " zvinv_win.dll,E"), inWindows.Path());
    // No comma after the first space.
    EXPECT_EQ(ExtractCommandFile("rundll32.exe zvinv_win.dll"), SystemDir() + "\\");
    // The first space lies inside rundll32's own path; nothing is trimmed.
    EXPECT_EQ(ExtractCommandFile("C:\\Program Files\\rundll32.exe zvinv_win.dll,E"),
              SystemDir() + "\\Files\\rundll32.exe zvinv_win.dll");
    EXPECT_EQ(ExtractCommandFile("rundll32  zvinv_win.dll,E"), SystemDir() + "\\ zvinv_win.dll");
    // A quoted library is judged without its quotes.
    EXPECT_EQ(ExtractCommandFile("rundll32.exe \"zvinv_win.dll\",E"), inWindows.Path());
    EXPECT_EQ(ExtractCommandFile("rundll32.exe \"" + inSystem.Path() + "\",E"), inSystem.Path());
    // "R" here is the second byte of a double-byte character: no rundll32 line.
    const std::string notRundll = "\x81" "Rundll32 zvinv_win.dll,E";
    EXPECT_EQ(ExtractCommandFile(notRundll), SystemDir() + "\\\x81" "Rundll32");
}

TEST(ExtractCommandFile, BareNamesCompletedWithWindowsThenSystemDirectory)
{
    TLooseFile inBoth(WindowsDir(), "zvinv_tool.exe");
    TLooseFile inBothSystem(SystemDir(), "zvinv_tool.exe");
    TLooseFile systemOnly(SystemDir(), "zvinv_sysonly.exe");

    EXPECT_EQ(ExtractCommandFile("zvinv_tool.exe %1"), inBoth.Path());
    EXPECT_EQ(ExtractCommandFile("zvinv_tool %1"), inBoth.Path());
    EXPECT_EQ(ExtractCommandFile("zvinv_sysonly.exe /x"), systemOnly.Path());
    EXPECT_EQ(ExtractCommandFile("  zvinv_sysonly  "), systemOnly.Path());
    EXPECT_EQ(ExtractCommandFile("zvinv_nowhere.exe -q"), SystemDir() + "\\zvinv_nowhere.exe");
    // A full path says where its file lies: missing there, it stays as it stands.
    const std::pair<std::string, std::string> fullPaths[] = {
        {WindowsDir(), WindowsDir()},
        {"C:\\zvinv_gone\\bho.dll", "C:\\zvinv_gone\\bho.dll"},
        {"c:zvinv_gone.dll /s", "c:zvinv_gone.dll"},
        {"\\zvinv_gone\\bho.dll", "\\zvinv_gone\\bho.dll"},
        {"\"C:\\zvinv gone\\bho.dll\" /s", "C:\\zvinv gone\\bho.dll"},
        {"rundll32.exe C:\\zvinv_gone\\bho.dll,Start", "C:\\zvinv_gone\\bho.dll"},
    };
    for (const auto& [line, file] : fullPaths) EXPECT_EQ(ExtractCommandFile(line), file) << line;
    // Environment references stay as they are.
    EXPECT_EQ(ExtractCommandFile("%SystemRoot%\\zvinv_tool.exe"), SystemDir() + "\\%SystemRoot%\\zvinv_tool.exe");
}

TEST(GetFileSmallIcon, AnIconOnlyWhenTheShellGivesOne)
{
    const std::string notepad = WindowsDir() + "\\notepad.exe";
    {
        zv::TIcon icon(zv::GetFileSmallIcon(notepad));
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon.get(), &info));
        zv::TBitmap color(info.hbmColor), mask(info.hbmMask);
        BITMAP bm{};
        GetObjectA(mask.get(), sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON));
    }
    zvtest::TTempDir dir;
    EXPECT_EQ(zv::GetFileSmallIcon(dir.Path() + "\\missing.exe"), nullptr);

    struct TCall {
        std::string path;
        DWORD attributes;
        UINT size, flags;
    };
    static std::vector<TCall> calls;
    calls.clear();
    TSeamRestore restore;
    // A failing call with garbage in the icon field, as Wine leaves it for a missing file.
    zv::ShellApi().GetFileInfo = [](LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size,
                                    UINT flags) WINAPI -> DWORD_PTR {
        calls.push_back({path, attributes, size, flags});
        info->hIcon = reinterpret_cast<HICON>(static_cast<ULONG_PTR>(0x5A5A5A5A));
        return 0;
    };
    EXPECT_EQ(zv::GetFileSmallIcon(notepad), nullptr);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].path, notepad);
    EXPECT_EQ(calls[0].attributes, 0u);
    EXPECT_EQ(calls[0].size, sizeof(SHFILEINFOA));
    EXPECT_EQ(calls[0].flags, 0x101u);
}

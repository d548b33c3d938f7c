// zarlib's GetFilePath, called through its export as the program calls it.
#include <zarlib.h>

#include <thread>

#include "inventory_support.h"
#include "platform/cmdline.h"

using namespace inventorytest;

namespace {

std::string PathOf(const char* candidate)
{
    const char* path = GetFilePath(candidate);
    EXPECT_NE(path, nullptr);
    return path ? path : "<null>";
}
std::string PathOf(const std::string& candidate) { return PathOf(candidate.c_str()); }

std::string Repeat(const std::string& piece, size_t atLeast)
{
    std::string text;
    while (text.size() < atLeast) text += piece;
    return text;
}

}  // namespace

TEST(GetFilePath, UnquotedPathsWithBlanksAndArguments)
{
    zvtest::TTempDir dir;
    const std::string folder = dir.Path() + "\\Zv Tools\\Foo App";
    ASSERT_TRUE(CreateDirectoryA((dir.Path() + "\\Zv Tools").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string foo = dir.File("Zv Tools\\Foo App\\foo.exe");
    // A folder named like the program without its extension is passed over.
    ASSERT_TRUE(CreateDirectoryA((folder + "\\foo").c_str(), nullptr));

    EXPECT_EQ(PathOf(foo + " /bg"), foo);
    EXPECT_EQ(PathOf(foo + " -config C:\\a b\\c.ini"), foo);
    EXPECT_EQ(PathOf(folder + "\\foo /bg -x"), foo);
    EXPECT_EQ(PathOf("  \t" + foo + " \t "), foo);
    EXPECT_EQ(PathOf(" \"" + foo + "\" /bg"), foo);
    EXPECT_EQ(zv::ExtractCommandFile(folder + "\\foo /bg"), foo);

    // The shortest prefix that names a file is what Windows would start.
    const std::string hijack = dir.File("Zv.exe");
    EXPECT_EQ(PathOf(foo + " /bg"), hijack);
    EXPECT_EQ(PathOf(folder + "\\foo /bg"), hijack);
}

TEST(GetFilePath, BareNamesTheSystemWouldFind)
{
    TLooseFile inWindows(WindowsDir(), "zvinv_gfp.exe");
    TLooseFile inSystem(SystemDir(), "zvinv_gfp2.dll");
    EXPECT_EQ(PathOf("zvinv_gfp.exe %1"), "zvinv_gfp.exe");
    EXPECT_EQ(PathOf("zvinv_gfp %1"), "zvinv_gfp.exe");
    EXPECT_EQ(PathOf("zvinv_gfp2.dll"), "zvinv_gfp2.dll");
    EXPECT_EQ(PathOf("zvinv_gfp2 /x"), "zvinv_gfp2");
    EXPECT_EQ(zv::ExtractCommandFile("zvinv_gfp %1"), inWindows.Path());

    // The second byte of this character is a backslash: the name is still bare, so the
    // Windows directory is searched for it.
    const std::string dbcs = "\x81\x5C" "zvinv";
    TLooseFile dbcsFile(WindowsDir(), dbcs + ".exe");
    ASSERT_TRUE(zv::FileExists(dbcsFile.Path()));
    EXPECT_EQ(PathOf(dbcs + " -s"), dbcs + ".exe");
    EXPECT_EQ(zv::ExtractCommandFile(dbcs + " -s"), dbcsFile.Path());
}

TEST(GetFilePath, WhenNothingExistsTheProgramAsNamed)
{
    EXPECT_EQ(PathOf("C:\\Nowhere Dir\\Sub Dir\\app.exe /x -y"), "C:\\Nowhere Dir\\Sub Dir\\app.exe");
    EXPECT_EQ(PathOf("C:\\Nowhere\\Setup.EXE /q"), "C:\\Nowhere\\Setup.EXE");
    EXPECT_EQ(PathOf("C:\\Nowhere\\helper.dll"), "C:\\Nowhere\\helper.dll");
    EXPECT_EQ(PathOf("zvinv_nowhere.exe %1"), "zvinv_nowhere.exe");
    EXPECT_EQ(PathOf("zvinv_nowhere -config a.ini"), "zvinv_nowhere");
    EXPECT_EQ(PathOf("C:\\Nowhere\\tool"), "C:\\Nowhere\\tool");
    EXPECT_EQ(PathOf("\"C:\\Nowhere Dir\\x y\" z"), "C:\\Nowhere Dir\\x y");
}

TEST(GetFilePath, AnyInputGetsAnAnswer)
{
    EXPECT_EQ(PathOf(nullptr), "");
    EXPECT_EQ(PathOf(""), "");
    EXPECT_EQ(PathOf("   \t  "), "");
    EXPECT_EQ(PathOf("\"\""), "");
    EXPECT_EQ(PathOf("\""), "");
    EXPECT_EQ(PathOf("\"C:\\Nowhere Dir\\x y.exe  "), "C:\\Nowhere Dir\\x y.exe");
    EXPECT_EQ(PathOf("abc\xD6"), "abc\xD6");
    EXPECT_EQ(PathOf("\xD6\xD0\xCE\xC4 \xD6"), "\xD6\xD0\xCE\xC4");

    const std::string noBlanks(65536, 'a');
    EXPECT_EQ(PathOf(noBlanks), noBlanks);
    EXPECT_EQ(PathOf(std::string(65536, ' ')), "");
    EXPECT_EQ(PathOf(Repeat("ab ", 65536)), "ab");
    const std::string chinese = Repeat("\xD6\xD0", 65536);
    EXPECT_EQ(PathOf(chinese), chinese);
    EXPECT_EQ(PathOf(Repeat("d\\a ", 65536)), "d\\a");
    EXPECT_EQ(PathOf(Repeat("\"", 65536)), "");
    EXPECT_EQ(PathOf(Repeat("a.exe ", 65536)), "a.exe");
    EXPECT_EQ(PathOf(Repeat("\xD6", 65537)).size(), 65537u);
}

TEST(GetFilePath, AnswerStaysUntilTheNextCallOnTheSameThread)
{
    const char* first = GetFilePath("zvinv_one.exe /x");
    std::string elsewhere;
    std::thread([&] { elsewhere = GetFilePath("zvinv_two.exe /y"); }).join();
    EXPECT_STREQ(first, "zvinv_one.exe");
    EXPECT_EQ(elsewhere, "zvinv_two.exe");
}

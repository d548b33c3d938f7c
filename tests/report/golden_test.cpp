// The report program's real output on the fixed inventory, in both formats, and its backup,
// compared with reviewed golden files.
#include <algorithm>

#include "platform/unicode_text.h"
#include "report_support.h"

using namespace reporttest;

TEST(ReportGolden, TextJsonAndBackupOfTheFixedInventory)
{
    TInventory inventory;
    zvtest::TTempDir temp;

    const TRunResult text = RunReport({});
    EXPECT_EQ(text.exitCode, 0u) << text.err;
    EXPECT_EQ(text.err, "");
    // Code-page bytes with Windows line ends, as a console and Notepad of the system read them.
    EXPECT_NE(text.out.find("启用"), std::string::npos);
    std::ptrdiff_t lineEnds = 0;
    for (size_t at = text.out.find("\r\n"); at != std::string::npos; at = text.out.find("\r\n", at + 2)) ++lineEnds;
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), lineEnds);
    ExpectGolden("report.txt", Normalise(GbkToUtf8(text.out)));

    const TRunResult json = RunReport({"--json"});
    EXPECT_EQ(json.exitCode, 0u) << json.err;
    ExpectGolden("report.json", Normalise(json.out));

    const std::string backupFile = temp.Path() + "\\备份.reg";
    const TRunResult backedUp = RunReport({"--backup", backupFile});
    EXPECT_EQ(backedUp.exitCode, 0u) << backedUp.err;
    EXPECT_EQ(Normalise(GbkToUtf8(backedUp.out)), Normalise(GbkToUtf8(text.out)));
    const std::string bytes = ReadFileBytes(backupFile);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::wstring wide((bytes.size() - 2) / 2, L'\0');
    std::copy_n(bytes.data() + 2, wide.size() * 2, reinterpret_cast<char*>(wide.data()));
    ExpectGolden("backup.reg.txt", Normalise(zv::WideToUtf8(wide)));
}

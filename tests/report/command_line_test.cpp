// What a script relies on: the help, the errors on standard error, the exit codes, the backup
// file refused before any scan when it cannot be written.
#include "report/report_options.h"
#include "report_support.h"

using namespace reporttest;

TEST(ReportCommandLine, HelpErrorsAndExitCodes)
{
    for (const char* help : {"--help", "-h", "/?"}) {
        const TRunResult run = RunReport({help});
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone));
        EXPECT_EQ(run.out, zv::UsageText());
        EXPECT_EQ(run.err, "");
    }
    const std::vector<std::pair<std::vector<std::string>, std::string>> wrong = {
        {{"--xml"}, "未知的选项：--xml"},           {{"--backup"}, "--backup 需要一个文件名"},
        {{"--backup="}, "--backup 需要一个文件名"}, {{"--backup", "a.reg", "--backup=b.reg"}, "--backup 只能给一次"},
        {{"report.txt"}, "多余的参数：report.txt"},
        {{"--undo", "--history"}, "--undo 和 --history 只能给一个"},
        {{"--history", "--json"}, "--undo 和 --history 不能与 --json 或 --backup 一起使用"},
        {{"--backup=a.reg", "--undo"}, "--undo 和 --history 不能与 --json 或 --backup 一起使用"},
    };
    for (const auto& [args, reason] : wrong) {
        const TRunResult run = RunReport(args);
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitUsage)) << reason;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "ZorvaneReport：" + reason + "。用 --help 查看用法。\r\n");
    }

    zvtest::TTempDir temp;
    for (const std::string& file : {temp.Path() + "\\没有此目录\\备份.reg", temp.Path()}) {
        const TRunResult run = RunReport({"--json", "--backup", file});
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitFailed)) << file;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("ZorvaneReport：无法写入备份文件 " + file + "：", 0), 0u) << run.err;
    }

    const std::string file = temp.Path() + "\\备份.reg";
    const TRunResult run = RunReport({"--backup=" + file, "--json"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << run.err;
    EXPECT_EQ(run.out.substr(0, 2), "{\n");
    EXPECT_EQ(ReadFileBytes(file).substr(0, 4), std::string("\xFF\xFEW\0", 4));
}

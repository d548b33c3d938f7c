#include "report/report_options.h"

#include "platform/unicode_text.h"

namespace zv {

TReportOptions ParseReportOptions(const std::vector<std::wstring>& args)
{
    TReportOptions options;
    auto setBackup = [&options](const std::wstring& file) {
        if (!options.BackupFile.empty()) throw EUsageError("--backup 只能给一次");
        if (file.empty()) throw EUsageError("--backup 需要一个文件名");
        options.BackupFile = file;
    };
    auto setCommand = [&options](TReportCommand command) {
        if (options.Command != TReportCommand::Report) throw EUsageError("--undo 和 --history 只能给一个");
        options.Command = command;
    };
    static const std::wstring kBackupEquals = L"--backup=";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            options.Help = true;
        } else if (arg == L"--json") {
            options.Format = TReportFormat::Json;
        } else if (arg == L"--undo") {
            setCommand(TReportCommand::Undo);
        } else if (arg == L"--history") {
            setCommand(TReportCommand::History);
        } else if (arg == L"--backup") {
            if (i + 1 == args.size()) throw EUsageError("--backup 需要一个文件名");
            setBackup(args[++i]);
        } else if (arg.compare(0, kBackupEquals.size(), kBackupEquals) == 0) {
            setBackup(arg.substr(kBackupEquals.size()));
        } else if (!arg.empty() && (arg[0] == L'-' || arg[0] == L'/')) {
            throw EUsageError("未知的选项：" + WideToAnsi(arg));
        } else {
            throw EUsageError("多余的参数：" + WideToAnsi(arg));
        }
    }
    // Neither command writes a report, so nothing would come of the report's options.
    if (options.Command != TReportCommand::Report &&
        (options.Format != TReportFormat::Text || !options.BackupFile.empty())) {
        throw EUsageError("--undo 和 --history 不能与 --json 或 --backup 一起使用");
    }
    return options;
}

std::string UsageText()
{
    return "用法：ZorvaneReport [--json] [--backup 文件名]\r\n"
           "      ZorvaneReport --undo\r\n"
           "      ZorvaneReport --history\r\n"
           "\r\n"
           "列出 Zorvane 窗口中显示的浏览器插件和启动项目（不做任何修改），或者撤销窗口所做的修改。\r\n"
           "\r\n"
           "  （无选项）        以系统代码页的纯文本输出报告到标准输出\r\n"
           "  --json            以 UTF-8 编码的 JSON 输出报告\r\n"
           "  --backup 文件名   另外写出一个注册表备份文件（Windows Registry Editor Version 5.00，\r\n"
           "                    UTF-16LE）。它保存了窗口中的删除、注销、禁用/启用、删除启动项目和\r\n"
           "                    恢复主页命令对所列项目可能删除或更改的全部键和值；用系统的注册表\r\n"
           "                    编辑器导入（regedit /s 文件名），即恢复到备份时的样子。\r\n"
           "                    启动文件夹中的文件不在备份中。\r\n"
           "  --undo            撤销窗口最近一次还没有撤销的修改（删除、禁用、启用、删除文件、\r\n"
           "                    注销ActiveX、恢复浏览器主页地址、删除启动项目）：把它改动的注册表\r\n"
           "                    键和值以及删除的文件恢复原样，并列出恢复了什么。再运行一次，就撤销\r\n"
           "                    再前一次的修改。窗口在每次修改之前把要改动的内容记录在\r\n"
           "                    %APPDATA%\\Zorvane\\ 中，每次修改一个文件夹。\r\n"
           "  --history         列出这些记录，最新的在前，每行一个：时间、操作、项目、状态（未撤销或\r\n"
           "                    已撤销）\r\n"
           "  --help, -h, /?    显示本说明\r\n"
           "\r\n"
           "退出代码：\r\n"
           "  0  报告（和备份）已完整写出；已撤销一次修改；已列出记录\r\n"
           "  1  报告或备份无法写出，或者撤销没有完成（记录保留，可以再试），原因见标准错误输出\r\n"
           "  2  命令行有误，原因见标准错误输出\r\n"
           "  3  报告已写出但不完整：有的扫描因注册表值的类型不符而中断\r\n"
           "  4  没有可以撤销的修改\r\n";
}

}  // namespace zv

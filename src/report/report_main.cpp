// ZorvaneReport: the console companion of Zorvane. Runs the window's own scans and prints what
// the window would show, as text or JSON, and can back up what its commands could change; all
// that changes nothing. It also lists the undo records the window writes and takes back the
// changes they saved, one per run, newest first.
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <memory>

#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/unicode_text.h"
#include "report/backup.h"
#include "report/report_io.h"
#include "report/report_json.h"
#include "report/report_model.h"
#include "report/report_options.h"
#include "report/report_text.h"
#include "report/undo_text.h"
#include "ui/application.h"
#include "ui/w_main.h"
#include "undo/undo_history.h"

namespace {

using namespace zv;

void Complain(const std::string& text)
{
    WriteStandard(STD_ERROR_HANDLE, "ZorvaneReport：" + text + "\r\n", TTextEncoding::Ansi);
}

std::vector<std::wstring> Arguments()
{
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i) args.emplace_back(argv.get()[i]);
    return args;
}

// Writes the backup; false, with the reason told, when it cannot be written whole. A file
// left half-written would restore half, so it is removed.
bool WriteBackup(const TReport& report, const std::wstring& fileName, TKernelHandle& file)
{
    const std::string shownName = WideToAnsi(fileName);
    try {
        DWORD error = 0;
        if (WriteAll(file.get(), RenderBackup(report), error)) return true;
        Complain("无法写入备份文件 " + shownName + "：" + SystemErrorText(error));
    } catch (const std::exception& e) {
        Complain("备份没有写出：" + std::string(e.what()));
    }
    file.reset();
    DeleteFileW(fileName.c_str());
    return false;
}

int RunHistory()
{
    std::vector<TUndoHistoryEntry> records;
    try {
        records = UndoHistory();
    } catch (const EError& e) {
        Complain(e.Message());
        return kExitFailed;
    }
    return WriteStandard(STD_OUTPUT_HANDLE, FormatHistory(records), TTextEncoding::Ansi) ? kExitDone : kExitFailed;
}

int RunUndo()
{
    std::optional<TUndone> undone;
    try {
        undone = UndoLatest();
    } catch (const EError& e) {
        Complain("撤销没有完成：" + e.Message());
        return kExitFailed;
    }
    if (!undone) {
        WriteStandard(STD_OUTPUT_HANDLE, "没有可以撤销的修改。\r\n", TTextEncoding::Ansi);
        return kExitNothingToUndo;
    }
    // The change is taken back whether or not the account of it reaches anyone.
    WriteStandard(STD_OUTPUT_HANDLE, FormatUndone(*undone), TTextEncoding::Ansi);
    return kExitDone;
}

int Run()
{
    TReportOptions options;
    try {
        options = ParseReportOptions(Arguments());
    } catch (const EUsageError& e) {
        Complain(std::string(e.what()) + "。用 --help 查看用法。");
        return kExitUsage;
    }
    if (options.Help) {
        return WriteStandard(STD_OUTPUT_HANDLE, UsageText(), TTextEncoding::Ansi) ? kExitDone : kExitFailed;
    }
    if (options.Command == TReportCommand::History) return RunHistory();
    if (options.Command == TReportCommand::Undo) return RunUndo();

    // Opened before the scans, so that a name that cannot be written is told at once.
    TKernelHandle backup;
    if (!options.BackupFile.empty()) {
        backup.reset(CreateFileW(options.BackupFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!backup) {
            Complain("无法写入备份文件 " + WideToAnsi(options.BackupFile) + "：" + SystemErrorText(GetLastError()));
            return kExitFailed;
        }
    }

    Tfm_main form;
    // The scans ask nothing; should anything ask, a console has nobody to answer a box.
    form.MessageBoxHook = [](HWND, const std::string& text, const std::string&, UINT) {
        Complain(text);
        return IDCANCEL;
    };
    const TReport report = CollectReport(form);
    form.FormDestroy(&form);

    const bool backedUp = !backup || WriteBackup(report, options.BackupFile, backup);
    const bool json = options.Format == TReportFormat::Json;
    if (!WriteStandard(STD_OUTPUT_HANDLE, json ? FormatJsonReport(report) : FormatTextReport(report),
                       json ? TTextEncoding::Utf8 : TTextEncoding::Ansi)) {
        Complain("无法写出报告：" + SystemErrorText(GetLastError()));
        return kExitFailed;
    }
    if (!backedUp) return kExitFailed;
    if (!report.Complete()) {
        Complain("报告不完整：有的扫描因注册表值的类型不符而中断，见报告中以“！”开头的行。");
        return kExitIncomplete;
    }
    return kExitDone;
}

}  // namespace

int main()
{
    // A console tool must not stop at a "no disk" box when a listed path names an empty drive.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    Application.Title = "Zorvane";
    Application.ErrorBoxHook = [](HWND, const std::string& text, const std::string&, UINT) { Complain(text); };
    try {
        return Run();
    } catch (const std::exception& e) {
        Complain(e.what());
        return kExitFailed;
    }
}

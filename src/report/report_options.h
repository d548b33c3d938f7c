// The report's command line.
#pragma once
#include <string>
#include <vector>

#include "platform/errors.h"

namespace zv {

enum class TReportFormat { Text, Json };

// What the program does: the report, or one of the commands on the window's undo records.
enum class TReportCommand { Report, Undo, History };

// What the report's exit code tells a script.
enum TReportExitCode : int {
    kExitDone = 0,           // the report, and the backup when asked for, written in full; a change
                             // taken back; the history listed
    kExitFailed = 1,         // the report or the backup could not be written; a change could not be
                             // taken back whole
    kExitUsage = 2,          // the command line is wrong
    kExitIncomplete = 3,     // written, but a scan stopped at a registry value of the wrong type
    kExitNothingToUndo = 4,  // --undo found every change taken back already
};

struct TReportOptions {
    bool Help = false;
    TReportCommand Command = TReportCommand::Report;
    TReportFormat Format = TReportFormat::Text;
    std::wstring BackupFile;  // empty: no backup
};

// A command line the report does not understand; the message says why, as code-page text.
class EUsageError : public EError {
public:
    using EError::EError;
};

// The arguments after the program's name. Options are ASCII; the backup file's name is kept
// in UTF-16 so that any name the file system takes reaches it unchanged.
TReportOptions ParseReportOptions(const std::vector<std::wstring>& args);

// The text --help prints, in the code page.
std::string UsageText();

}  // namespace zv

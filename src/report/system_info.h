// Facts about the running program and system that head a report.
#pragma once
#include <windows.h>

#include <string>

namespace zv {

// The file version of the running program's own version record, which is Zorvane's: the
// report is built from the same resource script.
std::string ProgramVersion();

// "Windows 6.1.7601 Service Pack 1": the version the system really runs, not the one an
// unmanifested program is told.
std::string WindowsVersionText();

// "2007-07-24 09:05:03" and "2007-07-24T09:05:03", local time.
std::string DateTimeText(const SYSTEMTIME& time);
std::string IsoDateTimeText(const SYSTEMTIME& time);

}  // namespace zv

// The report as a plain-text log in the system's code page.
#pragma once
#include <string>

#include "report/report_model.h"

namespace zv {

// Code-page text with Windows line ends: the header, both pages as the window shows them,
// each entry with its record and file facts, and a closing line with the counts.
std::string FormatTextReport(const TReport& report);

}  // namespace zv

// The report as JSON in UTF-8, one object per entry, for scripts.
#pragma once
#include <string>

#include "report/report_model.h"

namespace zv {

std::string FormatJsonReport(const TReport& report);

// A JSON string literal of code-page text: converted to UTF-8, quotes, backslashes and
// control characters escaped.
std::string JsonString(const std::string& ansiText);

}  // namespace zv

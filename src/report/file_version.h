// What a file's version record says about who made it and which version it is.
#pragma once
#include <optional>
#include <string>

namespace zv {

struct TFileVersion {
    std::string CompanyName;  // empty when the record has none
    std::string FileVersion;  // the text of the record, not its binary numbers
};

// Company name and file version from the string table of the record's first translation, as
// code-page text. No value when the file has no version record or cannot be read.
std::optional<TFileVersion> ReadFileVersion(const std::string& path);

}  // namespace zv

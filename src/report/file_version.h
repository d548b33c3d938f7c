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
// code-page text. No value when the file has no version record or cannot be read, and for a
// path the program may not open (the first `ownPart` bytes being its own), which is not read.
std::optional<TFileVersion> ReadFileVersion(const std::string& path, size_t ownPart = 0);

}  // namespace zv

// The manifest of an undo record: what one change of the window altered and what the record
// saved of it, as a small text file in the code page with one `name=value` line each.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/errors.h"

namespace zv {

// A record that cannot be written, read or taken back; the message says why.
class EUndoError : public EError {
public:
    using EError::EError;
};

// A file the change deleted, and its copy in the record.
struct TUndoFile {
    std::string Path;  // where it was, code-page text as the window named it
    std::string Copy;  // the copy's name inside the record's folder
    DWORD Attributes = 0;
    FILETIME Created{}, Accessed{}, Written{};
};

struct TUndoManifest {
    std::string Time;    // local time of the change, "2026-12-08 07:14:24"
    std::string Action;  // as the window names it, "删除"
    std::string Entry;   // as the window showed it: code-page bytes, any of them
    // One line for each key or value the registry file of the record saves, as shown to the
    // user; none when the record has no registry file.
    std::vector<std::string> Registry;
    std::vector<TUndoFile> Files;
    bool Undone = false;
};

// The manifest's bytes. Every text is written with its control characters and "%" as "%XX",
// so that a line break in an entry's name cannot break the line, and every other byte as it is.
std::string FormatManifest(const TUndoManifest& manifest);

// The parts of a record inside its folder.
extern const wchar_t kManifestFileName[];  // manifest.txt
extern const wchar_t kRegistryFileName[];  // registry.reg, when the record saved keys or values

// Writes the manifest into a record's folder whole: under another name first, then renamed
// over the one there. Raises EUndoError when it cannot.
void WriteManifest(const std::wstring& folder, const TUndoManifest& manifest);

// Reads what FormatManifest wrote; names it does not know are passed over. Raises EUndoError
// when a line the manifest needs is missing or malformed.
TUndoManifest ParseManifest(const std::string& text);

}  // namespace zv

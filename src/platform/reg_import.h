// Reads back a registry editor file of the form TRegFileWriter writes and carries it out, as
// the system's registry editor imports it but exactly: every value gets the type and bytes
// the file gives, whatever the type.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace zv {

// One instruction of the file. A value instruction applies to the key of the `[KEY]` line
// above it, whose root and path it repeats.
struct TRegFileCommand {
    enum class TKind { DeleteKey, CreateKey, SetValue, DeleteValue };
    TKind Kind = TKind::CreateKey;
    HKEY Root = nullptr;
    std::wstring Path;
    std::wstring Name;  // empty: the default value
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
};

// The instructions of a file's bytes: UTF-16LE after a byte-order mark, headed "Windows
// Registry Editor Version 5.00"; comments, blank lines, `[-KEY]`, `[KEY]`, `"name"=-`,
// `@=-`, quoted texts, `dword:` and `hex:` / `hex(N):` data with `\` line continuations.
// Raises ERegFileError naming the first line it cannot read; nothing is carried out then.
std::vector<TRegFileCommand> ParseRegFile(const std::string& bytes);

// Carries the instructions out in order through the wide registry functions: a key deleted
// with everything below it (a missing one is no failure), a key created with its missing
// parents, a value set to its type and bytes, a value deleted (a missing one is no failure).
// Raises ERegFileError with the reason at the first that fails; those before it stay done.
void ApplyRegFile(const std::vector<TRegFileCommand>& commands);

}  // namespace zv

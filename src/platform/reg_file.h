// A file that the system's registry editor imports to put keys and values back as they are
// now: "Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark.
//
// UTF-16 rather than REGEDIT4 in the code page: the registry keeps names and texts in UTF-16,
// and the code page cannot spell every character they may hold, so only the Unicode format
// carries every name and every byte of data unchanged. Values and keys are read through the
// wide registry functions for the same reason.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/errors.h"

namespace zv {

// A key or value the file cannot save faithfully, or a key that cannot be read.
class ERegFileError : public EError {
public:
    using EError::EError;
};

class TRegFileWriter {
public:
    TRegFileWriter();

    // A comment line; line breaks in the text become blanks.
    void Comment(const std::wstring& text);
    void BlankLine();

    // Saves the key with all its values and sub-keys. Importing deletes the key first, so that
    // what was added to it after the backup goes too; a key that does not exist now is only
    // deleted, so that importing makes it absent again.
    void SaveKeyTree(HKEY root, const std::wstring& path);

    // Saves the named values of a key; a value that does not exist now is deleted on import.
    // A key that does not exist now is left out, with a comment: importing creates nothing.
    void SaveValues(HKEY root, const std::wstring& path, const std::vector<std::wstring>& names);

    // The file's text; saved as UTF-16LE after a byte-order mark.
    const std::wstring& Text() const { return m_text; }
    // The bytes of the file.
    std::string Bytes() const;

private:
    void SaveKey(HKEY root, const std::wstring& path, HKEY key);
    void Line(const std::wstring& text);

    std::wstring m_text;
};

// The name the registry editor gives a root, "HKEY_CURRENT_USER" for HKEY_CURRENT_USER;
// empty for a root the program does not use.
std::wstring RootName(HKEY root);

// The line that gives a value its name and data: `"name"=data`, `@=data` for the default
// value. Texts that the quoted form cannot carry whole (line breaks, embedded or missing NUL)
// are written as hexadecimal bytes of their type.
std::wstring ValueLine(const std::wstring& name, DWORD type, const std::vector<BYTE>& data);

}  // namespace zv

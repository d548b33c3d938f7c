// The shell and file calls that tests must be able to fault or keep from reaching the real
// thing (Wine has no property sheets and may raise a modal error box). Real by default.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace zv {

// The windows.h macros turn ShellExecuteEx, ShellExecute and DeleteFile into the names of the
// ANSI functions, so these members carry those names: the functions themselves must be named
// with :: or each member would be initialised from itself.
struct TShellApi {
    decltype(&ShellExecuteExA) ShellExecuteEx = ::ShellExecuteExA;
    decltype(&ShellExecuteA) ShellExecute = ::ShellExecuteA;
    decltype(&DeleteFileA) DeleteFile = ::DeleteFileA;
    decltype(&SHGetFileInfoA) GetFileInfo = SHGetFileInfoA;
};

TShellApi& ShellApi();

// Asks the shell for the property sheet of a file, as the two trees' double clicks do:
// no owner, verb "properties", SW_SHOW; the result is not examined.
void ShowFileProperties(const std::string& path);

}  // namespace zv

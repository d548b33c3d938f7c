// The shell, file and version calls that receive paths: tests fault them, keep them from
// reaching the real thing (Wine has no property sheets and may raise a modal error box) or
// record every path they are given. Real by default.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <winver.h>

#include <string>

namespace zv {

// The windows.h macros turn ShellExecuteEx, ShellExecute, DeleteFile, FindFirstFile and the
// version calls into the names of the ANSI functions, so these members carry those names: the
// functions themselves must be named with :: or each member would be initialised from itself.
struct TShellApi {
    decltype(&ShellExecuteExA) ShellExecuteEx = ::ShellExecuteExA;
    decltype(&ShellExecuteA) ShellExecute = ::ShellExecuteA;
    decltype(&DeleteFileA) DeleteFile = ::DeleteFileA;
    decltype(&SHGetFileInfoA) GetFileInfo = SHGetFileInfoA;
    decltype(&FindFirstFileA) FindFirstFile = ::FindFirstFileA;
    decltype(&GetFileVersionInfoSizeA) GetFileVersionInfoSize = ::GetFileVersionInfoSizeA;
    decltype(&GetFileVersionInfoA) GetFileVersionInfo = ::GetFileVersionInfoA;
};

TShellApi& ShellApi();

// Asks the shell for the property sheet of a file, as the two trees' double clicks do:
// no owner, verb "properties", SW_SHOW; the result is not examined.
void ShowFileProperties(const std::string& path);

}  // namespace zv

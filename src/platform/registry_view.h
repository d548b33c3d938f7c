// Which registry view a key is addressed in. A 32-bit process on 64-bit Windows sees the
// machine's SOFTWARE key through its own 32-bit view unless it asks for the 64-bit one.
#pragma once
#include <windows.h>

#include <string>

namespace zv {

// Whether this process is a 32-bit one on 64-bit Windows. IsWow64Process is looked up at run
// time: Windows XP before its second service pack lacks it, and is 32-bit.
bool RunsUnderWow64();

// KEY_WOW64_64KEY where the process would otherwise see the 32-bit view, else 0: what opens a
// key in the view that the system's own 64-bit programs use.
REGSAM NativeView();

// The view flag every open of `path` under `root` takes, so that a key is saved, changed and
// put back in one view: the native view for Task Manager's startup marks under
// HKEY_LOCAL_MACHINE, which the 64-bit Task Manager keeps there; the process's own otherwise.
REGSAM KeyView(HKEY root, const std::wstring& path);

}  // namespace zv

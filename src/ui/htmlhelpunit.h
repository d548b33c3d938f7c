// The HTML help viewer: the system's HHCTRL.OCX, loaded by the program itself on first use so
// that a machine without it still runs everything but the help command.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "platform/cmdline.h"
#include "platform/handles.h"

namespace zv {

// Commands of the HTML Help API (htmlhelp.h spells them as macros, hence other names here).
constexpr UINT kHhDisplayTopic = 0x0000;
constexpr UINT kHhInitialize = 0x001C;

// The viewer library and its entry point. Loads, looks up and initialises on the first call
// and keeps them from then on; a call that fails raises EError and leaves nothing half-done
// that a later call would trip over.
class THtmlHelpLoader {
public:
    using TDirectoryFn = std::function<std::string()>;

    // `systemDirectory` says where the library lives, whatever its length; asked again on every
    // load attempt. Another `libraryName` serves tests: Wine puts its own HHCTRL.OCX in place of
    // any file of that name.
    explicit THtmlHelpLoader(TDirectoryFn systemDirectory = SystemDirectory,
                             std::string libraryName = "HHCTRL.OCX");
    THtmlHelpLoader(const THtmlHelpLoader&) = delete;
    THtmlHelpLoader& operator=(const THtmlHelpLoader&) = delete;

    // Passes the request on to HtmlHelpA and returns the window it returns.
    HWND Call(HWND caller, const std::string& file, UINT command, DWORD_PTR data);

private:
    using THtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

    TDirectoryFn m_systemDirectory;
    std::string m_libraryName;
    TModule m_library;
    THtmlHelpFn m_htmlHelp = nullptr;
    // Filled by the viewer when it is initialised; the program never reads it.
    DWORD m_cookie = 0;
};

// CallHtmlHelp through the program-wide loader, which lives until the process ends.
HWND CallHtmlHelp(HWND caller, const std::string& file, UINT command, DWORD_PTR data);

// Sends CallHtmlHelp to another loader (tests); nullptr gives it back to the program's own.
void SetHtmlHelpLoader(THtmlHelpLoader* loader);

}  // namespace zv

#include "ui/htmlhelpunit.h"

#include "platform/errors.h"

namespace zv {

namespace {

THtmlHelpLoader* g_loaderOverride = nullptr;

THtmlHelpLoader& ProgramLoader()
{
    // Deliberately never destroyed: unloading the viewer from a static destructor at exit could
    // pull its code from under a help window or a thread of its that is still alive. The system
    // reclaims the library when the process ends.
    static THtmlHelpLoader* const loader = new THtmlHelpLoader();
    return *loader;
}

}  // namespace

THtmlHelpLoader::THtmlHelpLoader(TDirectoryFn systemDirectory, std::string libraryName)
    : m_systemDirectory(std::move(systemDirectory)), m_libraryName(std::move(libraryName))
{
}

HWND THtmlHelpLoader::Call(HWND caller, const std::string& file, UINT command, DWORD_PTR data)
{
    if (!m_library) {
        const std::string path = m_systemDirectory() + "\\" + m_libraryName;
        m_library.reset(LoadLibraryA(path.c_str()));
        if (!m_library) throw EError("Help system not installed!\r HTMLHELP cannot displayed!");
    }
    if (!m_htmlHelp) {
        // Looked up again on every request while it is missing, so a loaded library without the
        // entry point reports the same message each time and is never called.
        m_htmlHelp = reinterpret_cast<THtmlHelpFn>(
            reinterpret_cast<void*>(GetProcAddress(m_library.get(), "HtmlHelpA")));
        if (!m_htmlHelp) throw EError("Function HTMLHELP cannot loaded!");
        m_htmlHelp(nullptr, nullptr, kHhInitialize, reinterpret_cast<DWORD_PTR>(&m_cookie));
    }
    return m_htmlHelp(caller, file.c_str(), command, data);
}

HWND CallHtmlHelp(HWND caller, const std::string& file, UINT command, DWORD_PTR data)
{
    THtmlHelpLoader& loader = g_loaderOverride ? *g_loaderOverride : ProgramLoader();
    return loader.Call(caller, file, command, data);
}

void SetHtmlHelpLoader(THtmlHelpLoader* loader) { g_loaderOverride = loader; }

}  // namespace zv

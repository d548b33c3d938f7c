// Fixtures of the about group: the folder the test programs run from, a stand-in viewer library
// installed in a folder of the test's choosing, scoped overrides of the help loader, AppDir and
// ShellExecuteA, pictures and fonts of real controls, and a script that runs inside the about
// box's own modal loop.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_hhctrl/fake_hhctrl.h"
#include "ui/htmlhelpunit.h"
#include "ui/w_about.h"
#include "zvtest.h"

namespace abouttest {

// The bin folder: the test programs, Zorvane.exe, zarlib.dll and Quillot.chm.
std::string BinDir();

// The name the stand-in viewer goes by: under the name HHCTRL.OCX, Wine would load its own.
inline const std::string kStandInName = "ZVHELPER.OCX";

// Copies `library` from the bin folder into `dir` under the stand-in's name.
void InstallViewer(const std::string& dir, const std::string& library = "zv_fake_hhctrl.dll");

// What the stand-in viewer installed in `dir` has recorded. Holds a reference of its own to
// the library, so it must go before the folder does.
class TFakeViewerLog {
public:
    explicit TFakeViewerLog(const std::string& dir);
    const zvfake::TFakeHelpLog* operator->() const { return m_log; }

private:
    zv::TModule m_module;
    const zvfake::TFakeHelpLog* m_log = nullptr;
};

// A help loader of the stand-in in `dir`; `asked` counts the load attempts.
struct TCountingLoader {
    explicit TCountingLoader(std::string directory) : dir(std::move(directory)) {}
    std::string dir;
    int asked = 0;
    zv::THtmlHelpLoader loader{[this] {
                                   ++asked;
                                   return dir;
                               },
                               kStandInName};
};

// The message of the EError that `action` raises; "<none>" when it raises nothing.
std::string ErrorOf(const std::function<void()>& action);

// CallHtmlHelp goes to `loader` for the scope.
class TUseLoader {
public:
    explicit TUseLoader(zv::THtmlHelpLoader& loader) { zv::SetHtmlHelpLoader(&loader); }
    ~TUseLoader() { zv::SetHtmlHelpLoader(nullptr); }
    TUseLoader(const TUseLoader&) = delete;
    TUseLoader& operator=(const TUseLoader&) = delete;
};

// AppDir has `dir` for the scope.
class TAppDir {
public:
    explicit TAppDir(const std::string& dir);
    ~TAppDir();
    TAppDir(const TAppDir&) = delete;
    TAppDir& operator=(const TAppDir&) = delete;

private:
    std::string m_saved;
};

struct TShellCall {
    HWND owner;
    std::string verb, file, parameters, directory;
    int show;
};

// ShellExecuteA calls are recorded instead of made, for the scope.
class TShellRecorder {
public:
    TShellRecorder();
    ~TShellRecorder();
    TShellRecorder(const TShellRecorder&) = delete;
    TShellRecorder& operator=(const TShellRecorder&) = delete;
    const std::vector<TShellCall>& Calls() const;
};

// A control's client area as it paints it (through WM_PRINTCLIENT).
struct TPicture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    int Count(const std::function<bool(COLORREF)>& test) const;
};
TPicture PictureOf(HWND control);
// The same size painted by `paint` into a fresh bitmap, for reference.
TPicture PictureFrom(int width, int height, const std::function<void(HDC)>& paint);
bool IsRed(COLORREF c);
bool IsBlue(COLORREF c);

LOGFONTA FontOf(HWND control);
std::string TextOf(HWND window);
// A child's window rectangle in its parent's client coordinates.
RECT PlaceOf(HWND child);
POINT CentreOf(HWND window);

// Runs steps on a thread timer while this thread's modal loop shows an about box. Each step
// is repeated on later ticks until it returns true, then the next one takes over; the last
// must close the box. A step that never completes is a failure: the box is then closed.
class TAboutScript {
public:
    using TStep = std::function<bool(zv::Tfm_about& box)>;
    explicit TAboutScript(std::vector<TStep> steps, DWORD timeoutMs = 10000);
    ~TAboutScript();
    TAboutScript(const TAboutScript&) = delete;
    TAboutScript& operator=(const TAboutScript&) = delete;
    bool Finished() const { return m_next == m_steps.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Run();

    std::vector<TStep> m_steps;
    size_t m_next = 0;
    ULONGLONG m_deadline;
    UINT_PTR m_timer;
    bool m_running = false;
};

// The main window with its window made and shown, and no scan run.
class TShownMainWindow {
public:
    TShownMainWindow();
    zv::Tfm_main form;
};

}  // namespace abouttest

#include "about_fixtures.h"

#include "app/pub_funcs.h"
#include "platform/errors.h"
#include "platform/shell_api.h"

namespace abouttest {

namespace {

std::vector<TShellCall> g_shellCalls;
TAboutScript* g_script = nullptr;

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show)
{
    auto text = [](LPCSTR s) { return s ? std::string(s) : std::string("<null>"); };
    g_shellCalls.push_back({owner, text(verb), text(file), text(parameters), text(directory), show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

zv::Tfm_about* ShownAboutBox()
{
    zv::Tfm_about* found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM lp) CALLBACK -> BOOL {
            auto* box = dynamic_cast<zv::Tfm_about*>(zv::TControl::FromHandle(h));
            if (!box || !IsWindowVisible(h)) return TRUE;
            *reinterpret_cast<zv::Tfm_about**>(lp) = box;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

std::string BinDir()
{
    std::vector<char> path(MAX_PATH);
    DWORD len;
    while ((len = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()))) >= path.size()) {
        path.resize(path.size() * 2);
    }
    std::string exe(path.data(), len);
    return exe.substr(0, exe.find_last_of('\\'));
}

void InstallViewer(const std::string& dir, const std::string& library)
{
    const std::string from = BinDir() + "\\" + library;
    const std::string to = dir + "\\" + kStandInName;
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to << ": " << GetLastError();
}

TFakeViewerLog::TFakeViewerLog(const std::string& dir) : m_module(LoadLibraryA((dir + "\\" + kStandInName).c_str()))
{
    const auto getLog = reinterpret_cast<zvfake::TFakeHelpLogFn>(
        reinterpret_cast<void*>(GetProcAddress(m_module.get(), "FakeHelpLog")));
    static const zvfake::TFakeHelpLog none;
    m_log = getLog ? getLog() : &none;
    EXPECT_TRUE(getLog) << "no stand-in viewer in " << dir;
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const zv::EError& e) {
        return e.Message();
    }
    return "<none>";
}

TAppDir::TAppDir(const std::string& dir) : m_saved(zv::AppDir) { zv::AppDir = dir; }

TAppDir::~TAppDir() { zv::AppDir = m_saved; }

TShellRecorder::TShellRecorder()
{
    g_shellCalls.clear();
    zv::ShellApi().ShellExecute = RecordShellExecute;
}

TShellRecorder::~TShellRecorder() { zv::ShellApi().ShellExecute = ShellExecuteA; }

const std::vector<TShellCall>& TShellRecorder::Calls() const { return g_shellCalls; }

int TPicture::Count(const std::function<bool(COLORREF)>& test) const
{
    int n = 0;
    for (COLORREF c : pixels) n += test(c) ? 1 : 0;
    return n;
}

TPicture PictureFrom(int width, int height, const std::function<void(HDC)>& paint)
{
    TPicture picture;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    zv::TMemoryDC dc(CreateCompatibleDC(nullptr));
    zv::TBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap || !bits) {
        ADD_FAILURE() << "no bitmap of " << width << "x" << height;
        return picture;
    }
    {
        zv::TSelectObject select(dc.get(), bitmap.get());
        paint(dc.get());
        GdiFlush();
    }
    picture.width = width;
    picture.height = height;
    const auto* bgra = static_cast<const BYTE*>(bits);
    for (int i = 0; i < width * height; ++i) {
        picture.pixels.push_back(RGB(bgra[i * 4 + 2], bgra[i * 4 + 1], bgra[i * 4]));
    }
    return picture;
}

TPicture PictureOf(HWND control)
{
    RECT r;
    GetClientRect(control, &r);
    return PictureFrom(r.right, r.bottom, [control](HDC dc) {
        SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

bool IsRed(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80; }

bool IsBlue(COLORREF c) { return GetBValue(c) > 180 && GetRValue(c) < 80 && GetGValue(c) < 80; }

LOGFONTA FontOf(HWND control)
{
    LOGFONTA lf{};
    auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    EXPECT_TRUE(font && GetObjectA(font, sizeof(lf), &lf)) << "no font on " << TextOf(control);
    return lf;
}

std::string TextOf(HWND window)
{
    std::vector<char> text(GetWindowTextLengthA(window) + 1);
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

RECT PlaceOf(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

POINT CentreOf(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TAboutScript::TAboutScript(std::vector<TStep> steps, DWORD timeoutMs)
    : m_steps(std::move(steps)), m_deadline(GetTickCount64() + timeoutMs), m_timer(SetTimer(nullptr, 0, 20, Tick))
{
    g_script = this;
}

TAboutScript::~TAboutScript()
{
    KillTimer(nullptr, m_timer);
    g_script = nullptr;
}

void CALLBACK TAboutScript::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_script && !g_script->m_running) g_script->Run();
}

void TAboutScript::Run()
{
    zv::Tfm_about* box = ShownAboutBox();
    if (Finished()) return;
    if (GetTickCount64() > m_deadline) {
        ADD_FAILURE() << "step " << m_next + 1 << " of the about box script never completed";
        m_next = m_steps.size();
        if (box) PostMessageA(box->Handle(), WM_CLOSE, 0, 0);
        return;
    }
    if (!box) return;
    m_running = true;
    if (m_steps[m_next](*box)) ++m_next;
    m_running = false;
}

TShownMainWindow::TShownMainWindow()
{
    form.CreateHandles();
    ShowWindow(form.Handle(), SW_SHOWNORMAL);
    UpdateWindow(form.Handle());
}

}  // namespace abouttest

// Prints what the window costs with whatever the registry holds: ScanPlugins without and with
// a window, a full refresh, and the time from process start to the main window shown.
// Run it in a prefix of your choice: scripts/wine-run.sh build/bin/bench_window.exe
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "ui/application.h"
#include "ui/w_main.h"

namespace {

double NowMs()
{
    LARGE_INTEGER freq, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

double SinceProcessStartMs()
{
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](FILETIME t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

template <class F>
double AverageMs(int rounds, F&& f)
{
    const double start = NowMs();
    for (int i = 0; i < rounds; ++i) f();
    return (NowMs() - start) / rounds;
}

}  // namespace

int main()
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    zv::Application.Title = "Zorvane";

    zv::Tfm_main shown;
    zv::Application.MainForm = &shown;
    shown.CreateForm(true);
    ShowWindow(shown.Handle(), SW_SHOW);
    UpdateWindow(shown.Handle());
    const double toWindow = SinceProcessStartMs();

    const int rounds = 20;
    zv::Tfm_main logic;
    logic.CreateForm(false);
    const double scanLogic = AverageMs(rounds, [&] { logic.ScanPlugins(); });
    const double scanWindow = AverageMs(rounds, [&] { shown.ScanPlugins(); });
    const double refreshWindow = AverageMs(rounds, [&] { shown.mu_refreshClick(nullptr); });

    std::printf("plug-in tree nodes            %zu\n", shown.m_tree.Count());
    std::printf("startup list nodes            %zu\n", shown.tree_start.Count());
    std::printf("process start to window shown %8.1f ms\n", toWindow);
    std::printf("ScanPlugins, no window        %8.3f ms (mean of %d)\n", scanLogic, rounds);
    std::printf("ScanPlugins, with window      %8.3f ms (mean of %d)\n", scanWindow, rounds);
    std::printf("full refresh, with window     %8.3f ms (mean of %d)\n", refreshWindow, rounds);
    shown.DestroyHandle();
    zv::Application.MainForm = nullptr;
    return 0;
}

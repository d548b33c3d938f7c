// A stand-in for the help viewer library: exports HtmlHelpA under that name and records calls.
#include "fake_hhctrl.h"

namespace {

zvfake::TFakeHelpLog g_log;

}  // namespace

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    if (command == 0x1C) {
        ++g_log.initialiseCalls;
        g_log.initialiseHadWindow = caller != nullptr;
        g_log.initialiseHadFile = file != nullptr;
        if (data) {
            *reinterpret_cast<DWORD*>(data) = zvfake::kFakeCookie;
            g_log.cookieWritten = true;
        }
        return nullptr;
    }
    ++g_log.otherCalls;
    g_log.lastCaller = caller;
    lstrcpynA(g_log.lastFile, file ? file : "", sizeof(g_log.lastFile));
    g_log.lastCommand = command;
    g_log.lastData = data;
    return zvfake::kFakeHelpWindow;
}

extern "C" __declspec(dllexport) const zvfake::TFakeHelpLog* FakeHelpLog() { return &g_log; }

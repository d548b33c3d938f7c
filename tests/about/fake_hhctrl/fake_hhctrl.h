// What the stand-in for HHCTRL.OCX records of the calls it gets, read by the tests through its
// export FakeHelpLog.
#pragma once
#include <windows.h>

namespace zvfake {

// The window the stand-in hands back for every request but the initialisation.
inline HWND const kFakeHelpWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4C0DE));
// What the initialisation writes into the cookie it is given.
constexpr DWORD kFakeCookie = 0xC00C1E;

struct TFakeHelpLog {
    int initialiseCalls = 0;
    bool initialiseHadWindow = false;
    bool initialiseHadFile = false;
    bool cookieWritten = false;
    int otherCalls = 0;
    HWND lastCaller = nullptr;
    char lastFile[1024] = {};
    UINT lastCommand = 0;
    DWORD_PTR lastData = 0;
};

using TFakeHelpLogFn = const TFakeHelpLog*(__cdecl*)();

}  // namespace zvfake

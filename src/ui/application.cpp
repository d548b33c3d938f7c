#include "ui/application.h"

#include "ui/form.h"

namespace zv {

TApplication Application;

std::string StandardErrorText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
        return message + ".";
    }
    return message;
}

int MainWindowShowCommand(int requested)
{
    switch (requested) {
    case SW_SHOWMAXIMIZED:
        return SW_SHOWMAXIMIZED;
    case SW_SHOWMINNOACTIVE:
        return SW_SHOWMINNOACTIVE;
    default:
        return SW_SHOWNORMAL;
    }
}

void TApplication::ShowMainForm(int showCommand)
{
    if (!MainForm || !MainForm->HandleAllocated()) return;
    const HWND window = MainForm->Handle();
    int command = MainWindowShowCommand(showCommand);
    // When the launcher passed a show request in its STARTUPINFO, the system puts that request in
    // place of the process's first ShowWindow, at least when that one asks for SW_SHOWNORMAL or
    // SW_SHOW. The hidden window spends that first call on hiding, whatever becomes of it, and is
    // shown normal with SW_RESTORE, which is the same request for a window never shown before and
    // not one the system replaces.
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    if (startup.dwFlags & STARTF_USESHOWWINDOW) ShowWindow(window, SW_HIDE);
    if (command == SW_SHOWNORMAL) command = SW_RESTORE;
    ShowWindow(window, command);
    UpdateWindow(window);
}

void TApplication::ShowException(const std::string& message)
{
    const std::string text = StandardErrorText(message);
    const HWND owner = MainForm && MainForm->HandleAllocated() ? MainForm->Handle() : nullptr;
    if (ErrorBoxHook) {
        ErrorBoxHook(owner, text, Title, MB_OK | MB_ICONERROR);
        return;
    }
    MessageBoxA(owner, text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

void TApplication::Idle()
{
    if (MainForm) MainForm->UpdateHintFromCursor();
}

int TApplication::Run(int showCommand)
{
    ShowMainForm(showCommand);
    MSG msg;
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            Idle();
            if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        } else if (!GetMessageA(&msg, nullptr, 0, 0)) {
            break;
        }
        // Tab and arrow keys move the focus between the main window's controls as in a dialog.
        HWND top = MainForm ? MainForm->Handle() : nullptr;
        if (top && IsDialogMessageA(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace zv

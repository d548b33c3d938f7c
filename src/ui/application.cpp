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

void TApplication::ShowException(const std::string& message)
{
    const std::string text = StandardErrorText(message);
    if (ErrorBoxHook) {
        ErrorBoxHook(text);
        return;
    }
    HWND owner = MainForm && MainForm->HandleAllocated() ? MainForm->Handle() : nullptr;
    MessageBoxA(owner, text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::Terminate()
{
    m_terminated = true;
    PostQuitMessage(0);
}

void TApplication::Idle()
{
    if (MainForm) MainForm->UpdateHintFromCursor();
}

int TApplication::Run(int showCommand)
{
    if (MainForm && MainForm->HandleAllocated()) {
        ShowWindow(MainForm->Handle(), showCommand);
        UpdateWindow(MainForm->Handle());
    }
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

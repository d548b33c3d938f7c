// The application object: title, message loop with status-bar hints, standard error box.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace zv {

class TForm;

// The text the standard error box shows: a full stop is appended when the message's last
// character has a code above that of "." (so "...!" and "...)" stay as they are).
std::string StandardErrorText(const std::string& message);

// The state the main window is first shown in for the launcher's show request: maximised for
// a maximised request, minimised for a minimised one without activation, normal (SW_SHOWNORMAL)
// for every other value, hiding and plain minimising included.
int MainWindowShowCommand(int requested);

class TApplication {
public:
    std::string Title;
    TForm* MainForm = nullptr;

    // Shows a message in the standard error box: caption Title, error icon, one OK button.
    void ShowException(const std::string& message);
    // Tests record error boxes here instead of waiting for a click: everything the box shows.
    std::function<void(HWND owner, const std::string& text, const std::string& caption, UINT type)> ErrorBoxHook;

    // Shows the main form in the state MainWindowShowCommand gives for the launcher's request.
    void ShowMainForm(int showCommand);
    // Shows the main form and runs the loop until Terminate.
    int Run(int showCommand);
    void Terminate();
    // One round of idle work: the status-bar hint of the control under the pointer.
    void Idle();
};

extern TApplication Application;

}  // namespace zv

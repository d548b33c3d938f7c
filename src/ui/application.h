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

class TApplication {
public:
    std::string Title;
    TForm* MainForm = nullptr;

    // Shows a message in the standard error box: caption Title, error icon, one OK button.
    void ShowException(const std::string& message);
    // Tests record error boxes here instead of waiting for a click.
    std::function<void(const std::string& text)> ErrorBoxHook;

    // Shows the main form (as the launcher asked) and runs the loop until Terminate.
    int Run(int showCommand);
    void Terminate();
    bool Terminated() const { return m_terminated; }
    // One round of idle work: the status-bar hint of the control under the pointer.
    void Idle();

private:
    bool m_terminated = false;
};

extern TApplication Application;

}  // namespace zv

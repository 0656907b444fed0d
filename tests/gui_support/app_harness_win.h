// Helpers for tests that drive the real main window and real dialogs in-process.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Starts the application as WinMain does (without the message loop) and returns the main window.
HWND start_app();
// Destroys the main window and runs the loop until its quit message; returns the quit code.
int stop_app();
// Dispatches waiting messages for up to ms milliseconds.
void pump_messages(int ms = 0);
// The text of a window (GetWindowTextA).
std::string window_text(HWND window);
// The message pane's whole text.
std::string pane_text();
// The folder of the running test executable (where bdxdll.dll and the program sit).
std::string exe_folder();
// Runs a console program with the arguments (one command-line text) in the program's folder,
// collecting its standard output and error into *output. Returns its exit code, -1 when it
// could not be started.
int run_program(const std::string& program, const std::string& arguments, std::string* output);

// Runs `trigger` (which opens a modal dialog or message box); while it runs, `drive` is called
// once with the first new dialog window ("#32770") of this thread. `drive` must end the dialog
// (for example press_button(dialog, IDOK)). Returns false when no dialog appeared within
// timeout_ms (the trigger then ran without one).
bool with_dialog(const std::function<void()>& trigger, const std::function<void(HWND)>& drive,
                 int timeout_ms = 5000);
// Runs `trigger`; the new dialogs it opens one after another ("#32770" windows of this thread)
// are driven in turn by `drives`, each of which must end its dialog. Returns how many were
// driven.
size_t with_dialogs(const std::function<void()>& trigger,
                    std::vector<std::function<void(HWND)>> drives);
// Clicks a dialog button as the user would (BM_CLICK), which sends its WM_COMMAND.
void press_button(HWND dialog, int id);
// Sets the text of a dialog control.
void set_control_text(HWND dialog, int id, const char* text);
// The text of a dialog control.
std::string control_text(HWND dialog, int id);

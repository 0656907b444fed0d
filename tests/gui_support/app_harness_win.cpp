#include "tests/gui_support/app_harness_win.h"

#include <vector>

#include "adapter/bdx_loader_win.h"
#include "app/shell_win.h"

HWND start_app() { return start_application(GetModuleHandleA(nullptr), SW_SHOWNORMAL); }

int stop_app() {
  if (g_shell.main_window) DestroyWindow(g_shell.main_window);
  // run_message_loop ends at the quit message that the destruction posted.
  int code = run_message_loop();
  // The next start loads the adapter library afresh, with the settings of that moment.
  unload_adapter_library();
  // The class keeps the (now deleted) brush; the next start registers it afresh.
  UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
  return code;
}

void pump_messages(int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (ms > 0) Sleep(5);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

std::string window_text(HWND window) {
  int n = GetWindowTextLengthA(window);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  GetWindowTextA(window, &s[0], n + 1);
  s.resize(static_cast<size_t>(n));
  return s;
}

std::string pane_text() { return window_text(g_shell.message_pane); }

std::string exe_folder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\'));
}

int run_program(const std::string& program, const std::string& arguments, std::string* output) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return -1;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = write_end;
  start.hStdError = write_end;
  start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + program + "\" " + arguments;
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  const std::string folder = program.substr(0, program.find_last_of('\\'));
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      folder.c_str(), &start, &process);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    return -1;
  }
  char chunk[512];
  DWORD n = 0;
  while (ReadFile(read_end, chunk, sizeof chunk, &n, nullptr) && n > 0) output->append(chunk, n);
  WaitForSingleObject(process.hProcess, 30000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(read_end);
  return static_cast<int>(code);
}

namespace {
struct DialogWatch {
  std::vector<HWND> before;
  std::function<void(HWND)> drive;
  bool done;
  DWORD deadline;
};
DialogWatch* g_watch = nullptr;

BOOL CALLBACK collect(HWND w, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

std::vector<HWND> thread_dialogs() {
  std::vector<HWND> all, dialogs;
  EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(&all));
  for (HWND w : all) {
    char cls[64] = {0};
    GetClassNameA(w, cls, sizeof cls);
    if (std::string(cls) == "#32770" && IsWindowVisible(w)) dialogs.push_back(w);
  }
  return dialogs;
}

void CALLBACK watch_timer(HWND, UINT, UINT_PTR id, DWORD) {
  if (!g_watch || g_watch->done) return;
  for (HWND w : thread_dialogs()) {
    bool old = false;
    for (HWND b : g_watch->before) old = old || b == w;
    if (!old) {
      g_watch->done = true;
      g_watch->drive(w);
      return;
    }
  }
}
}  // namespace

bool with_dialog(const std::function<void()>& trigger, const std::function<void(HWND)>& drive,
                 int timeout_ms) {
  DialogWatch watch{thread_dialogs(), drive, false, GetTickCount() + timeout_ms};
  DialogWatch* outer = g_watch;
  g_watch = &watch;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, watch_timer);
  trigger();
  KillTimer(nullptr, timer);
  g_watch = outer;
  return watch.done;
}

namespace {
struct DialogQueue {
  std::vector<HWND> seen;
  std::vector<std::function<void(HWND)>> drives;
  size_t next;
};
DialogQueue* g_queue = nullptr;

void CALLBACK queue_timer(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_queue || g_queue->next >= g_queue->drives.size()) return;
  for (HWND w : thread_dialogs()) {
    bool old = false;
    for (HWND s : g_queue->seen) old = old || s == w;
    if (old) continue;
    g_queue->seen.push_back(w);
    g_queue->drives[g_queue->next++](w);
    return;
  }
}
}  // namespace

size_t with_dialogs(const std::function<void()>& trigger,
                    std::vector<std::function<void(HWND)>> drives) {
  DialogQueue queue{thread_dialogs(), std::move(drives), 0};
  DialogQueue* outer = g_queue;
  g_queue = &queue;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, queue_timer);
  trigger();
  KillTimer(nullptr, timer);
  g_queue = outer;
  return queue.next;
}

void press_button(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button)
    SendMessageA(button, BM_CLICK, 0, 0);
  else
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void set_control_text(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }

std::string control_text(HWND dialog, int id) { return window_text(GetDlgItem(dialog, id)); }

// corvane_window.exe: lets the scripts wait for a top-level window to appear and close it again,
// instead of guessing how long a program takes to start under Wine.
//   corvane_window wait CLASS SECONDS    exit 0 once a visible window of CLASS exists and its
//                                        thread answers messages, 1 after SECONDS without one
//   corvane_window close CLASS SECONDS   sends WM_CLOSE; exit 0 once the window is gone,
//                                        1 after SECONDS, 2 when there was no such window
//   corvane_window caption CLASS         prints the window's caption; exit 2 without a window
//   corvane_window command CLASS ID SECONDS
//                                        sends the WM_COMMAND ID a menu click sends, waits up
//                                        to SECONDS for it to be handled, prints the caption;
//                                        exit 0 once handled, 1 after SECONDS, 2 without a window
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND find_visible(const char* cls) {
  HWND w = FindWindowA(cls, nullptr);
  return w && IsWindowVisible(w) ? w : nullptr;
}

int wait_for(const char* cls, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND w = find_visible(cls)) {
      // The window exists; wait until its thread has finished painting and answers.
      DWORD_PTR result = 0;
      if (SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result)) {
        Sleep(300);  // let the first WM_PAINTs of the children reach the screen
        return 0;
      }
    }
    if (GetTickCount() - start > ms) return 1;
    Sleep(100);
  }
}

int close_window(const char* cls, DWORD ms) {
  HWND w = FindWindowA(cls, nullptr);
  if (!w) return 2;
  PostMessageA(w, WM_CLOSE, 0, 0);
  const DWORD start = GetTickCount();
  while (IsWindow(w)) {
    if (GetTickCount() - start > ms) return 1;
    Sleep(50);
  }
  return 0;
}

int print_caption(HWND w) {
  char text[512] = "";
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 5000, &result)) {
    std::fprintf(stderr, "corvane_window: the window does not answer\n");
    return 1;
  }
  std::printf("%s\n", text);
  return 0;
}

int send_command(const char* cls, int id, DWORD ms) {
  HWND w = FindWindowA(cls, nullptr);
  if (!w) return 2;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, ms, &result)) {
    std::fprintf(stderr, "corvane_window: command %d not handled within %lu s\n", id,
                 static_cast<unsigned long>(ms / 1000));
    print_caption(w);
    return 1;
  }
  return print_caption(w);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "caption") == 0) {
    HWND w = FindWindowA(argv[2], nullptr);
    return w ? print_caption(w) : 2;
  }
  if (argc == 5 && std::strcmp(argv[1], "command") == 0)
    return send_command(argv[2], std::atoi(argv[3]), static_cast<DWORD>(std::atoi(argv[4])) * 1000);
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: corvane_window wait|close CLASS SECONDS\n"
                 "       corvane_window caption CLASS\n"
                 "       corvane_window command CLASS ID SECONDS\n");
    return 2;
  }
  const DWORD ms = static_cast<DWORD>(std::atoi(argv[3])) * 1000;
  if (std::strcmp(argv[1], "wait") == 0) return wait_for(argv[2], ms);
  if (std::strcmp(argv[1], "close") == 0) return close_window(argv[2], ms);
  std::fprintf(stderr, "corvane_window: unknown action '%s'\n", argv[1]);
  return 2;
}

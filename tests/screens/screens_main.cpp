// Drives the tool through its main states and saves a picture of the screen in each, as BMP
// files in the folder given on the command line (scripts/screenshot turns them into PNGs).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "adapter/bdx.h"
#include "app/shell_win.h"
#include "buffer/buffer_store.h"
#include "programming/programmer.h"
#include "tests/gui_support/app_harness_win.h"

namespace {
std::string g_out = ".";

// Saves the whole (virtual) screen as a 24-bit BMP.
void snap(const char* name) {
  pump_messages(300);
  HDC screen = GetDC(nullptr);
  int w = GetSystemMetrics(SM_CXSCREEN);
  int h = GetSystemMetrics(SM_CYSCREEN);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi;
  ZeroMemory(&bi, sizeof bi);
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  GdiFlush();
  int stride = ((w * 3) + 3) & ~3;
  BITMAPFILEHEADER fh;
  ZeroMemory(&fh, sizeof fh);
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + stride * h;
  std::string path = g_out + "\\" + name + ".bmp";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    std::fwrite(bits, 1, static_cast<size_t>(stride) * h, f);
    std::fclose(f);
    std::printf("%s\n", path.c_str());
  }
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

// Runs a modal dialog opened by command id, snaps it, then closes it with the given button.
void snap_dialog(HWND main, int command, const char* name, int close_id) {
  with_dialog([&] { SendMessageA(main, WM_COMMAND, command, 0); },
              [&](HWND dialog) {
                snap(name);
                press_button(dialog, close_id);
              });
}
// Snaps the screen part way through a programmer run (started from another thread).
DWORD WINAPI snap_running_programmer(void*) {
  Sleep(2500);
  snap("07-programmer-running");
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_out = argv[1];
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  HWND main = start_app();
  SetWindowPos(main, nullptr, 20, 20, 900, 680, SWP_NOZORDER);
  snap("01-start");
  // Connected to the simulated MC9S12DG256 (Adapter, Connect): register and memory views, target
  // toolbar, caption.
  SendMessageA(main, WM_COMMAND, 7015, 0);
  snap("02-connected");
  // A register typed but not yet written: its label says "(dirty)".
  SetWindowTextA(GetDlgItem(main, 6002), "1234");
  // Paged flash: page 0x3C through the page scroll bar.
  SendMessageA(main, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0x3C),
               reinterpret_cast<LPARAM>(GetDlgItem(main, 8101)));
  snap("02b-connected-page-3c-dirty-x");
  snap_dialog(main, 7014, "03-about", IDOK);
  // Target, Memory regions with the MC9S12DG256's map: pages 0x30-0x3F available.
  snap_dialog(main, 7010, "03d-memory-regions", IDCANCEL);
  // Target, Select Device while connected: the identified part with its memory map.
  snap_dialog(main, 7011, "03c-target-mpu", IDCANCEL);
  // The buffer in the memory view (Buffer/Target), with a few bytes loaded.
  const unsigned char bytes[6] = {0xDE, 0xAD, 0xBE, 0xEF, 0x12, 0x34};
  buffer_write(0x3C8002, bytes, 6, 0xFF);
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(7026, BN_CLICKED), 0);
  snap("03b-buffer-mode");
  SendMessageA(main, WM_COMMAND, 7017, 0);
  snap("04-disconnected");
  // The help file, in its own window.
  SendMessageA(main, WM_COMMAND, 7013, 0);
  snap("05-help");
  stop_app();

  // An HCS12X part: its register view has a four-digit CCR; its pages run to 0x7F.
  SetEnvironmentVariableA("BDXSIM_DERIVATIVE", "XF");
  main = start_app();
  SetWindowPos(main, nullptr, 20, 20, 900, 680, SWP_NOZORDER);
  SendMessageA(main, WM_COMMAND, 7015, 0);
  snap("06-connected-hcs12x");
  stop_app();

  // A secured part: its security byte programmed to 0x00, then Reset Target. The pane names it
  // once; the views' reads fail.
  SetEnvironmentVariableA("BDXSIM_DERIVATIVE", nullptr);
  main = start_app();
  SetWindowPos(main, nullptr, 20, 20, 900, 680, SWP_NOZORDER);
  SendMessageA(main, WM_COMMAND, 7015, 0);
  const unsigned char locked[2] = {0xFF, 0x00};
  bdx_FlashProgramBlock(40, 0xFF0E, locked, 2);
  SendMessageA(main, WM_COMMAND, 7018, 0);
  snap("09-connected-secured");
  stop_app();

  // The Programmer dialog part way through a run (a slow link: 2 ms a round trip), snapped from
  // a second thread while the run pumps the messages.
  SetEnvironmentVariableA("BDXSIM_DERIVATIVE", nullptr);
  SetEnvironmentVariableA("BDXSIM_LATENCY_US", "2000");
  main = start_app();
  SetWindowPos(main, nullptr, 20, 20, 900, 680, SWP_NOZORDER);
  SendMessageA(main, WM_COMMAND, 7015, 0);
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  const std::string image = std::string(folder) + "corvane_screens.s19";
  if (FILE* f = std::fopen(image.c_str(), "w")) {
    for (unsigned a = 0xC000; a < 0xC000 + 8 * 1500; a += 8)
      std::fprintf(f, "S10B%04X0001020304050607%02X\n", a,
                   ~(0x0B + (a >> 8) + (a & 0xFF) + 28) & 0xFF);
    std::fprintf(f, "S9030000FC\n");
    std::fclose(f);
  }
  g_programmer.file_path = image;
  SendMessageA(main, WM_COMMAND, 7006, 0);
  HWND programmer = g_shell.modeless_dialog;
  CheckDlgButton(programmer, 1091, BST_CHECKED);  // Verify FLASH too
  HANDLE snapper = CreateThread(nullptr, 0, snap_running_programmer, nullptr, 0, nullptr);
  SendMessageA(GetDlgItem(programmer, 1), BM_CLICK, 0, 0);  // Start
  WaitForSingleObject(snapper, INFINITE);
  CloseHandle(snapper);
  snap("08-programmer-done");
  stop_app();
  DeleteFileA(image.c_str());
  return 0;
}

// The register and memory views in the real main window, connected to the simulated part:
// fields, cells and labels, paging, go-to address, scrolling, buffer mode, dirty marks, and
// writing a register and a RAM byte to the target.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "adapter/bdx.h"
#include "adapter/bdx_loader_win.h"
#include "app/html_help_win.h"
#include "app/shell_win.h"
#include "buffer/buffer_store.h"
#include "resources/resource_ids.h"
#include "tests/gui_support/app_harness_win.h"
#include "views/memory_view.h"
#include "views/register_view.h"
#include "views/view_layout.h"

namespace {

struct ViewsTest : testing::Test {
  HWND main = nullptr;
  void start(const char* part) {
    SetEnvironmentVariableA("BDXSIM_DERIVATIVE", part);
    set_adapter_library_path(nullptr);
    html_help_reset(nullptr, nullptr);
    main = start_app();
    SendMessageA(main, WM_COMMAND, IDM_CONNECT, 0);
    ASSERT_EQ(g_view_layout.shown, 1);
  }
  void TearDown() override {
    if (g_shell.main_window) stop_app();
    SetEnvironmentVariableA("BDXSIM_DERIVATIVE", nullptr);
  }
  HWND item(int id) { return GetDlgItem(main, id); }
  std::string text(int id) { return window_text(item(id)); }
  void command(WPARAM wparam) { SendMessageA(main, WM_COMMAND, wparam, 0); }
  void scroll(int bar, int code, int thumb = 0) {
    SendMessageA(main, WM_VSCROLL, MAKEWPARAM(code, thumb), reinterpret_cast<LPARAM>(item(bar)));
  }
  void go_to(const char* address) {
    command(IDC_VIEW_ADDRESS);
    EXPECT_EQ(text(IDC_VIEW_ADDRESS), "set");
    EXPECT_EQ(GetWindowLongA(item(8064), GWL_STYLE) & ES_READONLY, 0);
    SetWindowTextA(item(8064), address);
    command(IDC_VIEW_ADDRESS);
    EXPECT_EQ(text(IDC_VIEW_ADDRESS), "mem");
    EXPECT_NE(GetWindowLongA(item(8064), GWL_STYLE) & ES_READONLY, 0);
  }
  std::string rows() {
    return text(8064) + " " + text(8065) + " " + text(8066) + " " + text(8067);
  }
};

TEST_F(ViewsTest, Hcs12FieldsCellsPagingAndGoTo) {
  start("MC9S12DG256");
  // Six register fields; the CCR in a narrow field with two digits.
  RECT r;
  GetWindowRect(item(6005), &r);
  EXPECT_EQ(r.right - r.left, 22);
  EXPECT_EQ(text(6005).size(), 2u);
  EXPECT_EQ(text(6000).size(), 4u);
  EXPECT_EQ(text(8000 + 0x1C), "25");  // identification bytes of the part
  EXPECT_EQ(rows(), "000000 000010 000020 000030");
  EXPECT_EQ(text(7026), "Buffer/Target");
  int low = 0, high = 0;
  GetScrollRange(item(8101), SB_CTL, &low, &high);
  EXPECT_EQ(high, 64);

  // Page 0x3C through the page scroll bar: into the page window.
  scroll(8101, SB_THUMBTRACK, 0x3C);  // dragging changes nothing yet
  EXPECT_EQ(g_memory_view.base, 0u);
  scroll(8101, SB_THUMBPOSITION, 0x3C);
  EXPECT_EQ(g_memory_view.base, 0x3C8000u);
  EXPECT_EQ(GetScrollPos(item(8100), SB_CTL), 0x800);
  EXPECT_EQ(GetScrollPos(item(8101), SB_CTL), 0x3C);
  EXPECT_EQ(rows(), "3C8000 3C8010 3C8020 3C8030");
  EXPECT_EQ(text(8000), "FF");  // erased flash
  // Rows within the page, past its window: the label drops the page.
  scroll(8100, SB_THUMBPOSITION, 0xC00);
  EXPECT_EQ(rows(), "00C000 00C010 00C020 00C030");
  scroll(8100, SB_BOTTOM);
  EXPECT_EQ(GetScrollPos(item(8100), SB_CTL), 4092);

  go_to("1234");
  EXPECT_EQ(g_memory_view.base, 0x1230u);
  EXPECT_EQ(GetScrollPos(item(8100), SB_CTL), 0x123);
  EXPECT_EQ(GetScrollPos(item(8101), SB_CTL), 0);  // the page follows
  EXPECT_EQ(rows(), "001230 001240 001250 001260");
  go_to("12G4");
  go_to("400000");
  EXPECT_NE(pane_text().find("Badly formed address\rMemory region doesn't exist\r"),
            std::string::npos)
      << pane_text();
  EXPECT_EQ(g_memory_view.base, 0x1230u);
}

TEST_F(ViewsTest, UpdateTargetWritesRegistersAndRamAndRefreshReadsThemBack) {
  start("MC9S12DG256");
  go_to("1000");  // RAM of the MC9S12DG256
  SetWindowTextA(item(6002), "1234");  // X
  EXPECT_EQ(g_register_view.fields[2].dirty, 1);
  SetWindowTextA(item(6003), "");  // Y empty: dirty, and writing stops there
  SetWindowTextA(item(6003), "BEEF");
  SetWindowTextA(item(8005), "5a");
  command(IDM_UPDATE_TARGET);
  command(IDM_REFRESH_VIEW);
  EXPECT_EQ(text(6002), "1234");
  EXPECT_EQ(text(6003), "BEEF");
  EXPECT_EQ(g_register_view.fields[2].dirty, 0);
  EXPECT_EQ(text(8005), "5A");
  unsigned char b = 0;
  ASSERT_EQ(bdx_GetMemoryByte(0x1005, &b), 0);
  EXPECT_EQ(b, 0x5A);

  // A cell without a number stops the write with an error line.
  SetWindowTextA(item(8001), "G");
  command(IDM_UPDATE_TARGET);
  EXPECT_NE(pane_text().find("No reasonable value for memory\r"), std::string::npos);
}

TEST_F(ViewsTest, BufferModeShowsAndEditsTheBuffer) {
  start("MC9S12DG256");
  const unsigned char bytes[4] = {0x11, 0x22, 0x33, 0x44};
  buffer_write(0x1000, bytes, 4, 0xFF);
  go_to("1000");
  command(IDC_VIEW_BUFFER_TARGET);
  EXPECT_EQ(SendMessageA(item(7026), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_FALSE(IsWindowVisible(item(7025)));
  EXPECT_EQ(text(8000), "11");
  EXPECT_EQ(text(8003), "44");
  EXPECT_EQ(text(8004), "XX");  // "xx", upper-cased by the cell
  // Typing goes into the buffer at once; "123" stores 0x23; absent bytes stay absent.
  SetWindowTextA(item(8001), "123");
  uint8_t v = 0;
  ASSERT_EQ(buffer_get_byte(0x1001, &v), 1);
  EXPECT_EQ(v, 0x23);
  SetWindowTextA(item(8010), "AA");
  EXPECT_EQ(buffer_get_byte(0x1010, &v), 0);
  command(IDC_VIEW_BUFFER_TARGET);
  EXPECT_EQ(SendMessageA(item(7026), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(IsWindowVisible(item(7025)));
  EXPECT_EQ(text(8001), "00");  // target RAM again
  buffer_clear();
}

TEST_F(ViewsTest, Hcs12xViewAndGlobalPages) {
  start("XF");
  RECT r;
  GetWindowRect(item(6005), &r);
  EXPECT_EQ(r.right - r.left, 40);
  EXPECT_EQ(text(6005).size(), 4u);  // the CCR's two bytes
  int low = 0, high = 0;
  GetScrollRange(item(8101), SB_CTL, &low, &high);
  EXPECT_EQ(high, 128);
  EXPECT_EQ(text(8000 + 0x1A), "D4");
  go_to("3F8000");
  EXPECT_EQ(rows(), "3F8000 3F8010 3F8020 3F8030");
  EXPECT_EQ(text(8000), "FF");
  scroll(8101, SB_THUMBPOSITION, 0x7F);  // no page window rule on HCS12X
  EXPECT_EQ(g_memory_view.base, 0x7F8000u);
  EXPECT_EQ(GetScrollPos(item(8100), SB_CTL), 0x800);
}

// The simulated part runs the code it holds: reset, step, run and halt through the target
// toolbar's commands, read back in the register view.
TEST_F(ViewsTest, ResetStepRunAndHaltMoveTheRegisters) {
  start("MC9S12DG256");
  // C000: LDX #0; C003: INX; C004: STX $1000; C007: BRA C003; reset vector C000.
  const unsigned char code[10] = {0xCE, 0x00, 0x00, 0x08, 0x7E, 0x10, 0x00, 0x20, 0xFA, 0xFF};
  const unsigned char vector[2] = {0xC0, 0x00};
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0xC000, code, 10), 0);
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0xFFFE, vector, 2), 0);
  // Unsecured, or the reset would secure the part now that flash holds something.
  const unsigned char security[2] = {0xFF, 0xFE};
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0xFF0E, security, 2), 0);
  command(IDM_RESET_TARGET);
  EXPECT_EQ(text(6000), "C000");
  command(IDM_STEP);
  EXPECT_EQ(text(6000), "C003");
  EXPECT_EQ(text(6002), "0000");
  command(IDM_STEP);
  EXPECT_EQ(text(6000), "C004");
  EXPECT_EQ(text(6002), "0001");
  command(IDM_RUN);
  Sleep(200);
  pump_messages(50);
  command(IDM_HALT);
  const std::string pc = text(6000);
  EXPECT_TRUE(pc == "C003" || pc == "C004" || pc == "C007") << pc;
  unsigned char high = 0, low = 0;
  ASSERT_EQ(bdx_GetMemoryByte(0x1000, &high), 0);
  ASSERT_EQ(bdx_GetMemoryByte(0x1001, &low), 0);
  EXPECT_GT((high << 8) | low, 2) << "the loop made progress while running";
  EXPECT_EQ(text(6002).size(), 4u);
}

// Erase All and programming from the buffer through the menus leave the part unsecured: the
// program's own flows never lock a board, so a reset afterwards still reads it.
TEST_F(ViewsTest, EraseAllAndProgrammingLeaveThePartReadableAfterAReset) {
  start("MC9S12DG256");
  ASSERT_TRUE(with_dialog([&] { command(IDM_ERASE_ALL); }, [&](HWND d) { press_button(d, IDYES); }));
  EXPECT_NE(pane_text().find("Security byte set to unsecured (0xFE)"), std::string::npos)
      << pane_text();
  // An image without a security byte: code at C000 and the reset vector.
  const unsigned char code[4] = {0xCE, 0x12, 0x34, 0x00};
  const unsigned char vector[2] = {0xC0, 0x00};
  buffer_write(0xC000, code, 4, 0xFF);
  buffer_write(0xFFFE, vector, 2, 0xFF);
  ASSERT_TRUE(with_dialog([&] { command(IDM_PROGRAM_FROM_BUFFER); },
                          [&](HWND d) { press_button(d, IDOK); }));
  SetWindowTextA(g_shell.message_pane, "");
  command(IDM_RESET_TARGET);
  EXPECT_EQ(pane_text().find("Target is secured"), std::string::npos) << pane_text();
  EXPECT_EQ(text(6000), "C000");
  unsigned char fsec = 0, first = 0;
  ASSERT_EQ(bdx_GetMemoryByte(0x0101, &fsec), 0);
  EXPECT_EQ(fsec, 0xFE);
  ASSERT_EQ(bdx_GetMemoryByte(0xC000, &first), 0);
  EXPECT_EQ(first, 0xCE);
  buffer_attach(nullptr);
}

}  // namespace

// The programming and erasing commands of the real main window: the "Memory Regions" dialog
// (template, filling, OK, Cancel, Select All, Deselect All), the "Mass Erase" and "Program"
// confirmations, and the file dialogs of "Load buffer", "Save buffer as File" and "Program
// Target Regions from File" with a typed path, all pressed from a timer as a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "adapter/bdx_loader_win.h"
#include "app/commands_win.h"
#include "app/html_help_win.h"
#include "app/shell_win.h"
#include "buffer/buffer_store.h"
#include "programming/region_selection.h"
#include "resources/memory_regions_ids.h"
#include "tests/gui_support/dialog_template_win.h"
#include "resources/resource_ids.h"
#include "target/catalogue.h"
#include "tests/gui_support/app_harness_win.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/test_files.h"

namespace {

// --- what the commands asked of the memory view: a refresh in target mode reads its 64 cells ---
int refreshes() { return fake_bdx().count("bdx_GetMemoryByte") / 64; }
size_t other_calls() {
  return fake_bdx().calls.size() - size_t(fake_bdx().count("bdx_GetMemoryByte"));
}
std::string calls_without_refresh() {
  std::string out;
  for (const FakeBdxCall& c : fake_bdx().calls)
    if (c.name != "bdx_GetMemoryByte") out += (out.empty() ? "" : " ") + c.name;
  return out;
}

// The file name box of the common file dialog (an edit, or the combo box holding one).
void type_file_name(HWND dialog, const std::string& path) {
  HWND box = GetDlgItem(dialog, 0x480);  // edt1
  if (!box) box = GetDlgItem(dialog, 0x47C);  // cmb13
  ASSERT_NE(box, nullptr);
  SetWindowTextA(box, path.c_str());
}

bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

// A control's rectangle in dialog units, "x,y wxh".
std::string rect_in_dialog_units(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
  RECT base = {0, 0, 4000, 8000};
  MapDialogRect(dialog, &base);
  auto x = [&](LONG px) { return std::to_string((px * 4000 + base.right / 2) / base.right); };
  auto y = [&](LONG px) { return std::to_string((px * 8000 + base.bottom / 2) / base.bottom); };
  return x(r.left) + "," + y(r.top) + " " + x(r.right - r.left) + "x" + y(r.bottom - r.top);
}

struct ProgrammingGui : testing::Test {
  HWND main = nullptr;
  void SetUp() override {
    set_adapter_library_path(nullptr);
    html_help_reset(nullptr, nullptr);
    main = start_app();
    select_target_by_name("MC9S12DG256");
    set_all_regions(true);
    // Connected to an MC9S12DG256, so the memory view exists and shows the target.
    fake_bdx_install().set_part_id(0x00, 0x12, 0x25, 0x81);
    command(IDM_CONNECT);
    fake().calls.clear();
  }
  void TearDown() override {
    if (g_shell.main_window) stop_app();
    bdx_table_reset();
    set_all_regions(true);
  }
  void command(WPARAM id) { SendMessageA(main, WM_COMMAND, id, 0); }
  FakeBdx& fake() { return fake_bdx(); }
};

TEST_F(ProgrammingGui, MemoryRegionsTemplate) {
  std::string caption, rects, texts;
  ASSERT_TRUE(with_dialog([&] { command(IDM_MEMORY_REGIONS); }, [&](HWND d) {
    caption = window_text(d);
    for (int id : {IDOK, IDCANCEL, IDC_REGIONS_SELECT_ALL, IDC_REGIONS_DESELECT_ALL,
                   IDC_REGIONS_VOLATILE, IDC_REGIONS_VOLATILE_RANGE, IDC_REGIONS_EEPROM,
                   IDC_REGIONS_EEPROM_RANGE, IDC_REGIONS_PAGE_3F, IDC_REGIONS_PAGE_3E,
                   IDC_REGIONS_PAGE_38, IDC_REGIONS_PAGE_27, IDC_REGIONS_PAGE_00})
      rects += rect_in_dialog_units(d, id) + "|";
    for (int id : {IDC_REGIONS_SELECT_ALL, IDC_REGIONS_VOLATILE, IDC_REGIONS_PAGE_3F,
                   IDC_REGIONS_PAGE_3E, IDC_REGIONS_PAGE_27, IDC_REGIONS_PAGE_0A})
      texts += control_text(d, id) + "|";
    press_button(d, IDCANCEL);
  }));
  EXPECT_EQ(caption, "Memory Regions");
  EXPECT_EQ(rects, "238,7 50x14|238,24 50x14|179,7 50x14|179,24 50x14|7,7 91x10|100,7 73x12|"
                   "7,23 69x10|100,23 73x12|12,54 70x10|12,66 65x10|12,138 24x10|150,54 24x10|"
                   "274,138 20x10|");
  EXPECT_EQ(texts, "Select All|Include Volatile memory|3F (C000-FFFF)|3E (4000-7FFF)|27|A|");
  // Font 8 "MS Shell Dlg" as given: DS_FIXEDSYS would map it to "MS Shell Dlg 2".
  DialogTemplate t;
  ASSERT_TRUE(read_dialog_template("CORVANE_MEMORY_REGIONS", &t));
  EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                        DS_SETFONT));
  EXPECT_EQ(t.font, "MS Shell Dlg");
  // Every page box exists under its id.
  ASSERT_TRUE(with_dialog([&] { command(IDM_MEMORY_REGIONS); }, [&](HWND d) {
    for (int p = 0; p < 64; ++p) EXPECT_NE(GetDlgItem(d, page_control_id(p)), nullptr) << p;
    press_button(d, IDCANCEL);
  }));
}

TEST_F(ProgrammingGui, MemoryRegionsFilledFromTheMapAndReadBackOnOk) {
  std::string volatile_range, eeprom_range;
  bool low_page_enabled = true, low_page_checked = true, page_30_enabled = false,
       page_30_checked = false;
  // Unchecking a page and cancelling keeps it selected.
  ASSERT_TRUE(with_dialog([&] { command(IDM_MEMORY_REGIONS); }, [&](HWND d) {
    volatile_range = control_text(d, IDC_REGIONS_VOLATILE_RANGE);
    eeprom_range = control_text(d, IDC_REGIONS_EEPROM_RANGE);
    low_page_enabled = enabled(d, IDC_REGIONS_PAGE_2F);
    low_page_checked = checked(d, IDC_REGIONS_PAGE_2F);
    page_30_enabled = enabled(d, IDC_REGIONS_PAGE_30);
    page_30_checked = checked(d, IDC_REGIONS_PAGE_30);
    press_button(d, IDC_REGIONS_PAGE_3C);
    press_button(d, IDCANCEL);
  }));
  EXPECT_EQ(volatile_range, "(1000-3FFF)");
  EXPECT_EQ(eeprom_range, "(0400-0FFF)");
  EXPECT_FALSE(low_page_enabled);
  EXPECT_FALSE(low_page_checked);
  EXPECT_TRUE(page_30_enabled);
  EXPECT_TRUE(page_30_checked);
  EXPECT_TRUE(page_selected(0x3C));
  EXPECT_FALSE(page_selected(0x2F));  // opening the dialog cleared the pages below the flash

  // OK reads every box back.
  ASSERT_TRUE(with_dialog([&] { command(IDM_MEMORY_REGIONS); }, [&](HWND d) {
    press_button(d, IDC_REGIONS_PAGE_3C);
    press_button(d, IDC_REGIONS_EEPROM);
    press_button(d, IDOK);
  }));
  EXPECT_FALSE(page_selected(0x3C));
  EXPECT_TRUE(page_selected(0x3D));
  EXPECT_FALSE(region_selection().include_eeprom);
  EXPECT_TRUE(region_selection().include_volatile);
  EXPECT_EQ(fake().calls.size(), 0u);
}

TEST_F(ProgrammingGui, SelectAllAndDeselectAllWriteTheSelectionAtOnce) {
  bool any_checked = true, page_3f_after_select = false, low_after_select = true;
  ASSERT_TRUE(with_dialog([&] { command(IDM_MEMORY_REGIONS); }, [&](HWND d) {
    press_button(d, IDC_REGIONS_DESELECT_ALL);
    any_checked = checked(d, IDC_REGIONS_VOLATILE) || checked(d, IDC_REGIONS_EEPROM);
    for (int p = 0; p < 64; ++p) any_checked = any_checked || checked(d, page_control_id(p));
    press_button(d, IDCANCEL);
  }));
  EXPECT_FALSE(any_checked);
  EXPECT_FALSE(region_selection().include_volatile);  // Cancel does not undo it
  EXPECT_FALSE(page_selected(0x3F));
  ASSERT_TRUE(with_dialog([&] { command(IDM_MEMORY_REGIONS); }, [&](HWND d) {
    press_button(d, IDC_REGIONS_SELECT_ALL);
    page_3f_after_select = checked(d, IDC_REGIONS_PAGE_3F);
    low_after_select = checked(d, IDC_REGIONS_PAGE_00);
    press_button(d, IDCANCEL);
  }));
  EXPECT_TRUE(page_3f_after_select);
  EXPECT_FALSE(low_after_select);
  EXPECT_TRUE(region_selection().include_volatile);
  EXPECT_TRUE(page_selected(0x3F));
  EXPECT_FALSE(page_selected(0x00));
}

TEST_F(ProgrammingGui, ProgramAndEraseRegionsOnlyAfterOk) {
  const uint8_t data[2] = {0x12, 0x34};
  buffer_write(0xC000, data, 2, 0xFF);
  ASSERT_TRUE(with_dialog([&] { command(IDM_PROGRAM_FROM_BUFFER); },
                          [&](HWND d) { press_button(d, IDCANCEL); }));
  EXPECT_EQ(fake().calls.size(), 0u);

  ASSERT_TRUE(with_dialog([&] { command(IDM_PROGRAM_FROM_BUFFER); },
                          [&](HWND d) { press_button(d, IDOK); }));
  EXPECT_EQ(fake().args("bdx_FlashProgramBlock"), "40|C000|2");
  EXPECT_NE(pane_text().find("Block 0x3F programmed"), std::string::npos);
  EXPECT_EQ(pane_text().substr(pane_text().size() - 15), "COMMAND DONE\r\r\n");
  EXPECT_EQ(refreshes(), 1);  // target mode

  fake_bdx_install();
  // The view shows the buffer: no refresh after target commands.
  command(MAKEWPARAM(IDC_VIEW_BUFFER_TARGET, BN_CLICKED));
  ASSERT_TRUE(with_dialog([&] { command(IDM_ERASE_REGIONS); },
                          [&](HWND d) { press_button(d, IDCANCEL); }));
  EXPECT_EQ(fake().calls.size(), 0u);
  ASSERT_TRUE(with_dialog([&] { command(IDM_ERASE_REGIONS); },
                          [&](HWND d) { press_button(d, IDOK); }));
  EXPECT_EQ(fake().count("bdx_FlashEraseBlock"), 16);
  EXPECT_EQ(pane_text().substr(0, 23), "COMMAND: Erase Regions\r");
  EXPECT_EQ(refreshes(), 0);
  buffer_attach(nullptr);
}

TEST_F(ProgrammingGui, MassEraseAsksFirst) {
  SetWindowTextA(g_shell.message_pane, "");
  std::string caption, text;
  ASSERT_TRUE(with_dialog([&] { command(IDM_ERASE_ALL); }, [&](HWND d) {
    caption = window_text(d);
    text = control_text(d, 0xFFFF);  // the message box's text
    press_button(d, IDNO);
  }));
  EXPECT_EQ(caption, "Mass Erase");
  EXPECT_EQ(text, "This Command will erase ENTIRE flash memory and EEPROM in target\rARE YOU SURE?");
  EXPECT_EQ(other_calls(), 0u);
  EXPECT_EQ(pane_text(), "");
  EXPECT_EQ(refreshes(), 1);

  fake().calls.clear();
  ASSERT_TRUE(with_dialog([&] { command(IDM_ERASE_ALL); }, [&](HWND d) { press_button(d, IDYES); }));
  // Each reset is followed by the read of the security state (BDMSTS, FSEC); the erased security
  // byte is then set to unsecured.
  EXPECT_EQ(calls_without_refresh(),
            "bdx_TargetReset bdx_GetByte bdx_FlashEraseAll bdx_EpromEraseAll bdx_TargetReset "
            "bdx_GetByte bdx_FlashProgramBlock");
  EXPECT_EQ(pane_text(), "COMMAND: Mass Erase Device\r\r\nErasing Flash...\r\r\nErasing Eprom...\r\r\n"
                         "Security byte set to unsecured (0xFE)\r\r\nCOMMAND DONE\r\r\n");
}

TEST_F(ProgrammingGui, LoadAndSaveThroughTheFileDialogs) {
  const std::string in = temp_path("gui_load.s19");
  std::ofstream(in, std::ios::binary) << "S1050100AABB94\nS9030000FC\n";
  std::string title;
  // Cancel writes nothing.
  SetWindowTextA(g_shell.message_pane, "");
  ASSERT_TRUE(with_dialog([&] { command(IDM_LOAD_BUFFER); }, [&](HWND d) { press_button(d, IDCANCEL); },
                          15000));
  EXPECT_EQ(pane_text(), "");
  ASSERT_TRUE(with_dialog([&] { command(IDM_LOAD_BUFFER); }, [&](HWND d) {
    title = window_text(d);
    type_file_name(d, in);
    press_button(d, IDOK);
  }, 15000));
  EXPECT_EQ(title, "Load File to Buffer");
  EXPECT_EQ(pane_text(), "COMMAND: Load to buffer\r\r\nLoaded file '" + in + "'\r\r\nCOMMAND DONE\r\r\n");
  uint8_t v = 0;
  ASSERT_EQ(buffer_get_byte(0x0101, &v), 1);
  EXPECT_EQ(v, 0xBB);

  const std::string out = temp_path("gui_save.s19");
  std::remove(out.c_str());
  ASSERT_TRUE(with_dialog([&] { command(IDM_SAVE_BUFFER); }, [&](HWND d) {
    title = window_text(d);
    type_file_name(d, out);
    press_button(d, IDOK);
  }, 15000));
  EXPECT_EQ(title, "Save Buffer to file");
  EXPECT_EQ(pane_text(), "COMMAND: Save buffer\r\r\nCOMMAND DONE\r\r\n");
  std::ifstream saved(out, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "S1050100AABB94\r\nS9030000FC\r\n");
  buffer_attach(nullptr);
  std::remove(in.c_str());
  std::remove(out.c_str());
}

TEST_F(ProgrammingGui, ProgramRegionsFromFileAsksAndKeepsTheBuffer) {
  const std::string in = temp_path("gui_program.s19");
  std::ofstream(in, std::ios::binary) << "S105C000AABBD5\nS9030000FC\n";
  const uint8_t mine[1] = {0x77};
  buffer_write(0x2000, mine, 1, 0xFF);
  std::string title, question;
  // The regions dialog's Cancel does not stop the command; No at the question does.
  EXPECT_EQ(with_dialogs([&] { command(IDM_PROGRAM_REGIONS_FROM_FILE); },
                         {[&](HWND d) {
                            title = window_text(d);
                            type_file_name(d, in);
                            press_button(d, IDOK);
                          },
                          [&](HWND d) { press_button(d, IDCANCEL); },
                          [&](HWND d) {
                            question = window_text(d) + ": " + control_text(d, 0xFFFF);
                            press_button(d, IDNO);
                          }}),
            3u);
  EXPECT_EQ(title, "Load File to Target");
  EXPECT_EQ(question, "Program: This Command will program selected memory regions in the "
                      "target\rContinue?");
  EXPECT_EQ(fake().calls.size(), 0u);

  // Yes: programmed from the file; the buffer is the user's again. The dialog opens with the
  // path chosen last time.
  std::string shown_path;
  EXPECT_EQ(with_dialogs([&] { command(IDM_PROGRAM_REGIONS_FROM_FILE); },
                         {[&](HWND d) {
                            HWND box = GetDlgItem(d, 0x480);
                            if (!box) box = GetDlgItem(d, 0x47C);
                            shown_path = window_text(box);
                            press_button(d, IDOK);
                          },
                          [&](HWND d) { press_button(d, IDOK); },
                          [&](HWND d) { press_button(d, IDYES); }}),
            3u);
  EXPECT_NE(shown_path.find("gui_program.s19"), std::string::npos) << shown_path;
  EXPECT_EQ(fake().args("bdx_FlashProgramBlock"), "40|C000|2");
  EXPECT_EQ(pane_text(), "COMMAND: Programmed/Downloaded memory regions from file\r\r\nCOMMAND DONE\r\r\n");
  EXPECT_EQ(refreshes(), 1);
  ASSERT_NE(buffer_first_block(), nullptr);
  EXPECT_EQ(buffer_first_block()->start_address, 0x2000u);
  EXPECT_EQ(buffer_first_block()->length, 1u);
  EXPECT_EQ(buffer_first_block()->next, nullptr);
  buffer_attach(nullptr);
  std::remove(in.c_str());
}

TEST_F(ProgrammingGui, ProgramRegionsFromFileNamesTheBytesThatWentNowhere) {
  // Page 0x3C is left out of the selection: its bytes are counted after the frame.
  const std::string in = temp_path("gui_program_pages.s19");
  std::ofstream(in, std::ios::binary) << "S105C000AABBD5\nS2073C8000AABBCC0B\nS9030000FC\n";
  region_selection().include_page[0x3C] = false;
  EXPECT_EQ(with_dialogs([&] { command(IDM_PROGRAM_REGIONS_FROM_FILE); },
                         {[&](HWND d) {
                            type_file_name(d, in);
                            press_button(d, IDOK);
                          },
                          [&](HWND d) { press_button(d, IDOK); },
                          [&](HWND d) { press_button(d, IDYES); }}),
            3u);
  EXPECT_EQ(fake().args("bdx_FlashProgramBlock"), "40|C000|2");
  EXPECT_EQ(pane_text(), "COMMAND: Programmed/Downloaded memory regions from file\r\r\nCOMMAND DONE\r\r\n"
                         "3 bytes lie outside the selected regions, first at 0x3C8000\r\r\n");
  std::remove(in.c_str());
}

// corvane.exe drives the bdxdll.dll beside it: erase and program the simulated part.
int run_corvane(const std::string& arguments, std::string* output) {
  return run_program(exe_folder() + "\\corvane.exe", arguments, output);
}

TEST(CorvaneExe, ErasesAndProgramsThroughTheLibraryBesideIt) {
  SetEnvironmentVariableA("BDXSIM_STATE", "");
  std::string out;
  ASSERT_EQ(run_corvane("erase --all", &out), 0) << out;
  EXPECT_NE(out.find("Target MPU: 'MC9S12DG256'"), std::string::npos) << out;
  EXPECT_NE(out.find("Flash erased (pages 0x30-0x3F)"), std::string::npos) << out;
  const std::string file = temp_path("corvane_exe.s19");
  std::ofstream(file, std::ios::binary) << "S105C000AABBD5\nS9030000FC\n";
  out.clear();
  ASSERT_EQ(run_corvane("program \"" + file + "\" --verify", &out), 0) << out;
  EXPECT_NE(out.find("Verified 2 bytes"), std::string::npos) << out;
  std::remove(file.c_str());
}

}  // namespace

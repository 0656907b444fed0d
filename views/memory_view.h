// The memory view's state and rules: which 64 bytes it shows (the view base address and the
// positions of its two scroll bars), where they come from (target or buffer), the paging step
// before each target read, the row labels, and how scrolling and the go-to address move it.
// Portable; views/views_win.h creates the controls and moves texts in and out of them.
#pragma once
#include <cstdint>
#include <string>

enum {
  kMemoryCellCount = 64,   // 4 rows of 16
  kMemoryCellIdFirst = 8000,
  kMemoryRowLabelIdFirst = 8064,  // the first row label is the address field
  kMemoryRowScrollId = 8100,
  kMemoryPageScrollId = 8101,
};

struct MemoryViewState {
  uint32_t base;          // first address shown: page in bits 16-23, row in bits 4-15
  int row_position;       // row scroll bar: row of 16 bytes within the 64 KiB page
  int page_position;      // page scroll bar: 64 KiB page
  int buffer_mode;        // 1 while the view shows the buffer
  int address_edit_mode;  // 1 while the address field is editable ("set")
  int caption_x, caption_y;
};

extern MemoryViewState g_memory_view;

// A fresh view at (x, y): base, positions and modes 0; caption at (x + 60, y).
void reset_memory_view_state(int x, int y);
// "Buffer Memory" in buffer mode, "Target Memory" otherwise.
const char* memory_view_caption();

// The paging step before a target read at *address, by the current target's family: on HCS12
// PPAGE (0x0030) := 0x3F for 0xC000-0xFFFF, 0x3E for 0x4000-0x7FFF, the page bits for a paged
// 0x8000-0xBFFF address (then reduced to 16 bits); on HCS12X GPAGE (0x0010) := the page bits of
// any address above 0xFFFF (then reduced to 16 bits). Register write results are not tested.
void select_page(uint32_t* address);
// One target byte for cell address a: select_page, then bdx_GetByte with the BDM's registers
// mapped in ("BDM in map") or bdx_GetMemoryByte. True and the byte, or false when the read
// failed.
bool read_view_byte(uint32_t address, int bdm_in_map, uint8_t* value);
// "%2.2X", or "xx" for a byte that is not available.
std::string memory_cell_text(int available, uint8_t value);
// The address row r (0-3) shows: the page is left out on HCS12 outside the page window, and
// HCS12X addresses keep 23 bits. "%6.6X".
std::string memory_row_label(int row);
// The same label for any address (the command line's hex dump).
std::string memory_address_label(uint32_t address);

// Scroll codes of a vertical scroll bar (the platform's SB_* values).
enum ScrollCode {
  kScrollLineUp = 0,
  kScrollLineDown = 1,
  kScrollPageUp = 2,
  kScrollPageDown = 3,
  kScrollThumbPosition = 4,
  kScrollThumbTrack = 5,
  kScrollTop = 6,
  kScrollBottom = 7,
};
// Row scroll bar: moves the row position (clamped to 0 ... row range - 4) and the base address
// within its page. False for codes it ignores (nothing changes), true when applied.
bool scroll_memory_rows(int code, unsigned thumb, int row_range);
// Page scroll bar: moves the page position (clamped to 0 ... page range - 1) and the base
// address; on HCS12 a view outside the page window moves into it (row 0x800). False for codes
// it ignores (dragging the thumb changes nothing until it is released), true when applied.
bool scroll_memory_pages(int code, unsigned thumb, int page_range);

// Go-to address typed into the address field.
enum GotoResult { kGotoMoved, kGotoBadlyFormed, kGotoNoRegion };
// Moves the view to the typed address (hexadecimal): base := address AND 0xFFFFF0, row and page
// positions follow (page 0 for addresses below 0x10000, so both scroll bars agree with the
// base). A text that is not hexadecimal or an address of 0x400000 and above leaves the view
// where it was.
GotoResult memory_view_goto(const char* text);

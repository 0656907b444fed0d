#include "views/memory_view.h"

#include <cstdio>

#include "adapter/bdx.h"
#include "adapter/part_state.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"
#include "views/hex_parse.h"

MemoryViewState g_memory_view;

namespace {

int clamp(int value, int low, int high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

bool outside_page_window(uint32_t address) {
  const uint32_t offset = address & 0xFFFF;
  return offset < kPageWindowStart || offset > kPageWindowEnd;
}

}  // namespace

void reset_memory_view_state(int x, int y) {
  g_memory_view = MemoryViewState{0, 0, 0, 0, 0, x + 60, y};
}

const char* memory_view_caption() {
  return g_memory_view.buffer_mode ? "Buffer Memory" : "Target Memory";
}

void select_page(uint32_t* address) {
  const uint32_t a = *address;
  switch (get_family_code()) {
    case FAMILY_HCS12:
      if (a >= 0xC000 && a <= 0xFFFF) {
        bdx_SetMemoryByte(kRegisterPpage, 0x3F);
      } else if (a >= 0x4000 && a <= 0x7FFF) {
        bdx_SetMemoryByte(kRegisterPpage, 0x3E);
      } else if ((a & 0xFFFF) >= kPageWindowStart && (a & 0xFFFF) <= kPageWindowEnd) {
        const uint32_t page = (a >> 16) & 0xFF;
        *address = a & 0xFFFF;
        if (page < 0x40) bdx_SetMemoryByte(kRegisterPpage, static_cast<unsigned char>(page));
      }
      break;
    case FAMILY_HCS12X:
      if (a & 0xFF0000) {
        bdx_SetMemoryByte(kRegisterGpage, static_cast<unsigned char>((a >> 16) & 0xFF));
        *address = a & 0xFFFF;
      }
      break;
    default:
      break;
  }
}

bool read_view_byte(uint32_t address, int bdm_in_map, uint8_t* value) {
  select_page(&address);
  if (secured_part_refuses(address, bdm_in_map != 0)) return 0;
  unsigned char byte = 0;
  const int result = bdm_in_map ? bdx_GetByte(address, &byte) : bdx_GetMemoryByte(address, &byte);
  if (result == -1) return false;
  *value = byte;
  return true;
}

std::string memory_cell_text(int available, uint8_t value) {
  if (!available) return "xx";
  char text[4];
  std::snprintf(text, sizeof text, "%2.2X", unsigned(value));
  return text;
}

std::string memory_row_label(int row) {
  return memory_address_label(g_memory_view.base + 16 * uint32_t(row));
}

std::string memory_address_label(uint32_t address) {
  uint32_t a = address & 0xFFFFFF;
  const int family = get_family_code();
  if (family == FAMILY_HCS12 && outside_page_window(a)) a &= 0xFFFF;
  if (family == FAMILY_HCS12X) a &= 0x7FFFFF;
  char text[16];
  std::snprintf(text, sizeof text, "%6.6X", unsigned(a));
  return text;
}

bool scroll_memory_rows(int code, unsigned thumb, int row_range) {
  MemoryViewState& v = g_memory_view;
  int position = v.row_position;
  switch (code) {
    case kScrollLineUp: position -= 1; break;
    case kScrollLineDown: position += 1; break;
    case kScrollPageUp: position -= 16; break;
    case kScrollPageDown: position += 16; break;
    case kScrollThumbPosition:
    case kScrollThumbTrack: position = int(uint16_t(thumb)); break;
    case kScrollTop: position = 0; break;
    case kScrollBottom: position = row_range - 4; break;
    default: return false;
  }
  // Four rows are shown, so the last position shows the page's last four rows.
  v.row_position = clamp(position, 0, row_range - 4);
  v.base = (v.base & 0xFF0000) | (uint32_t(v.row_position) << 4);
  return true;
}

bool scroll_memory_pages(int code, unsigned thumb, int page_range) {
  MemoryViewState& v = g_memory_view;
  int position = v.page_position;
  switch (code) {
    case kScrollLineUp: position -= 1; break;
    case kScrollLineDown: position += 1; break;
    case kScrollPageUp: position -= 16; break;
    case kScrollPageDown: position += 16; break;
    case kScrollThumbPosition: position = int(int16_t(uint16_t(thumb))); break;
    case kScrollTop: position = 0; break;
    case kScrollBottom: position = page_range - 1; break;
    default: return false;  // SB_THUMBTRACK too: the page changes when the thumb is released
  }
  v.page_position = clamp(position, 0, page_range - 1);
  v.base = (v.base & 0xFFFF) | (uint32_t(v.page_position) << 16);
  // An HCS12 page shows only in the 0x8000-0xBFFF window: move the view there.
  if (v.page_position != 0 && get_family_code() == FAMILY_HCS12 && outside_page_window(v.base)) {
    v.base = paged_window_start(v.page_position);
    v.row_position = 0x800;
  }
  return true;
}

GotoResult memory_view_goto(const char* text) {
  uint32_t value = 0;
  if (parse_hex(text, &value) != 0) return kGotoBadlyFormed;
  if (int32_t(value) < 0 || value >= 0x400000) return kGotoNoRegion;
  MemoryViewState& v = g_memory_view;
  // Below 0x10000 the page position follows to page 0, so the scroll bars agree with the view.
  v.page_position = int(value >> 16);
  v.base = value & 0xFFFFF0;
  v.row_position = int((value >> 4) & 0xFFF);
  return kGotoMoved;
}

#include "buffer/dump.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "adapter/bdx.h"
#include "app/message_pane.h"
#include "buffer/buffer_store.h"

std::string g_region_text;
BufferRegion g_regions[kMaxBufferRegions];
int g_region_count = 0;

namespace {

bool blank(char c) { return static_cast<signed char>(c) <= 0x20; }

bool hex_prefix(const char* p) { return p[0] == '0' && (p[1] == 'x' || p[1] == 'X'); }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A hexadecimal number as "%x" reads it: leading blanks skipped, then digits (modulo 2^32).
// False when no digit can be read.
bool read_hex(const char* p, uint32_t* value) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  const bool negative = *p == '-';  // "%x" takes a sign, as unsigned arithmetic
  if (*p == '+' || *p == '-') ++p;
  if (hex_prefix(p) && hex_value(p[2]) >= 0) p += 2;
  if (hex_value(*p) < 0) return false;
  uint32_t v = 0;
  for (; hex_value(*p) >= 0; ++p) v = v * 16 + uint32_t(hex_value(*p));
  *value = negative ? 0u - v : v;
  return true;
}

// One START-END at p; false when it cannot be read.
bool parse_region(const char* p, BufferRegion* region) {
  if (hex_prefix(p)) p += 2;
  uint32_t start = 0, end = 0;
  if (!read_hex(p, &start)) return false;
  while (*p && *p != '-' && !blank(*p)) ++p;
  if (*p != '-') return false;
  ++p;
  while (*p && blank(*p)) ++p;
  if (hex_prefix(p)) p += 2;
  if (!read_hex(p, &end)) return false;
  region->region_start = start;
  region->region_end = end;
  return true;
}

}  // namespace

bool parse_region_list(const char* text, BufferRegionList* list) {
  BufferRegion* parsed = list->regions;
  int count = 0;
  const char* p = text;
  if (*p) {
    for (;;) {
      while (*p && blank(*p)) ++p;
      if (!*p) break;
      if (count == kMaxBufferRegions) return false;
      if (!parse_region(p, &parsed[count])) return false;
      ++count;
      while (*p && !blank(*p) && *p != ';') ++p;
      if (!*p) break;
      if (*p == ';') ++p;
      if (!*p) break;
    }
  }
  list->count = count;
  return true;
}

int parse_region_text(const char* text) {
  BufferRegionList list;
  if (!parse_region_list(text, &list)) return 0;  // the list in force stays as it was
  for (int i = 0; i < list.count; ++i) g_regions[i] = list.regions[i];
  g_region_count = list.count;
  return 1;
}

DumpResult dump_region_list(const BufferRegionList& list) {
  begin_command("Dump to buffer");
  DumpResult result;
  char line[96];
  for (int i = 0; i < list.count; ++i) {
    const BufferRegion& r = list.regions[i];
    if (r.region_start >= r.region_end) continue;
    // Computed wide: 0x0-0xFFFFFFFF is 2^32 bytes, which no 32-bit count can carry.
    const uint64_t size = uint64_t(r.region_end) - r.region_start + 1;
    // Cleared: a block the library says it read but did not fill never reaches a file.
    unsigned char* staging = size <= 0xFFFFFFFFu ? static_cast<unsigned char*>(std::calloc(size, 1))
                                                 : nullptr;
    if (!staging) {
      std::snprintf(line, sizeof line, "Failed getting memory (size 0x%" PRIX64 ") ", size);
      append_line(line);
      result.failing_address = r.region_start;
      return result;
    }
    uint32_t fail = r.region_start;
    if (bdx_GetBlock(r.region_start, uint32_t(size), staging, &fail) != 0) {
      std::snprintf(line, sizeof line, "Cannot get memory at 0x%X", unsigned(fail));
      append_line(line);
      std::free(staging);
      result.failing_address = fail;
      return result;
    }
    if (!buffer_write(r.region_start, staging, uint32_t(size), 0xFF)) {
      std::snprintf(line, sizeof line, "Failed buffer management (size 0x%" PRIX64 ") ", size);
      append_line(line);
      std::free(staging);
      result.failing_address = r.region_start;
      return result;
    }
    result.bytes += size;
    std::snprintf(line, sizeof line, "Region 0x%X-0x%X", unsigned(r.region_start),
                  unsigned(r.region_end));
    append_line(line);
    std::free(staging);
  }
  end_command();
  result.ok = true;
  return result;
}

bool dump_regions() {
  BufferRegionList list;
  for (int i = 0; i < g_region_count; ++i) list.regions[i] = g_regions[i];
  list.count = g_region_count;
  return dump_region_list(list).ok;
}

namespace {
constexpr uint32_t kErasedRun = 16;  // --skip-erased leaves out runs of 0xFF this long or longer

// Writes the staged bytes into the buffer, without the long runs of 0xFF when skip_erased.
bool write_staged(uint32_t start, const unsigned char* data, uint32_t size, bool skip_erased) {
  if (!skip_erased) return buffer_write(start, data, size, 0xFF) != 0;
  uint32_t i = 0;
  while (i < size) {
    uint32_t kept = i;
    // The next run of kErasedRun erased bytes or more, or the end.
    uint32_t run_start = i, run = 0;
    for (uint32_t k = i; k < size; ++k) {
      if (data[k] != 0xFF) {
        run = 0;
        continue;
      }
      if (run++ == 0) run_start = k;
      if (run == kErasedRun) break;
    }
    const uint32_t end = run >= kErasedRun ? run_start : size;
    if (end > kept && !buffer_write(start + kept, data + kept, end - kept, 0xFF)) return false;
    i = end;
    while (i < size && data[i] == 0xFF) ++i;  // over the erased run
  }
  return true;
}
}  // namespace

DumpResult dump_ranges(const std::vector<BufferRegion>& ranges, bool skip_erased) {
  begin_command("Dump to buffer");
  DumpResult result;
  for (const BufferRegion& r : ranges) {
    const uint64_t size = uint64_t(r.region_end) - r.region_start + 1;
    unsigned char* staging = size <= 0xFFFFFFFFu ? static_cast<unsigned char*>(std::calloc(size, 1))
                                                 : nullptr;
    if (!staging) {
      append_formatted("Failed getting memory (size 0x%" PRIX64 ") ", size);
      result.failing_address = r.region_start;
      return result;
    }
    uint32_t fail = r.region_start;
    const bool read = bdx_GetBlock(r.region_start, uint32_t(size), staging, &fail) == 0;
    const bool stored = read && write_staged(r.region_start, staging, uint32_t(size), skip_erased);
    std::free(staging);
    if (!read) {
      append_formatted("Cannot get memory at 0x%X", unsigned(fail));
      result.failing_address = fail;
      return result;
    }
    if (!stored) {
      append_formatted("Failed buffer management (size 0x%" PRIX64 ") ", size);
      result.failing_address = r.region_start;
      return result;
    }
    result.bytes += size;
    append_formatted("Region 0x%X-0x%X", unsigned(r.region_start), unsigned(r.region_end));
  }
  end_command();
  result.ok = true;
  return result;
}

void split_banked_range(uint32_t first, uint32_t last, std::vector<BufferRegion>* out) {
  if (last <= 0xFFFF || first > 0xFFFFFF) {
    out->push_back({first, last});
    return;
  }
  if (first <= 0xFFFF) out->push_back({first, 0xFFFF});
  const uint32_t first_page = first <= 0xFFFF ? 1 : first >> 16;
  const uint32_t last_page = last > 0xFFFFFF ? 0xFF : last >> 16;
  for (uint32_t page = first_page; page <= last_page; ++page) {
    const uint32_t low = std::max(first, (page << 16) + 0x8000);
    const uint32_t high = std::min(last, (page << 16) + 0xBFFF);
    if (low <= high) out->push_back({low, high});
  }
  if (last > 0xFFFFFF) out->push_back({std::max(first, 0x1000000u), last});
}

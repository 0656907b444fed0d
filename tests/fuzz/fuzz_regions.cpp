// Fuzzes the region text parser of "Dump to buffer": any text must parse without a crash; an
// accepted text gives at most 16 regions, a rejected one leaves the list as it was, and the
// regions of an accepted text, written out again as "START-END;...", parse to the same list.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "buffer/dump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string::npos) text.resize(text.find('\0'));
  if (text.size() > kRegionTextLimit) text.resize(kRegionTextLimit);

  // A known list first, so that a rejection can be seen to keep it.
  if (parse_region_text("1-2;3-4") != 1 || g_region_count != 2) std::abort();
  const int accepted = parse_region_text(text.c_str());
  if (!accepted) {
    if (g_region_count != 2 || g_regions[1].region_start != 3) std::abort();
    return 0;
  }
  if (g_region_count < 0 || g_region_count > kMaxBufferRegions) std::abort();
  BufferRegion first[kMaxBufferRegions];
  const int count = g_region_count;
  std::string again;
  for (int i = 0; i < count; ++i) {
    first[i] = g_regions[i];
    char piece[32];
    std::snprintf(piece, sizeof piece, "%s0x%X-0x%X", i ? ";" : "",
                  unsigned(first[i].region_start), unsigned(first[i].region_end));
    again += piece;
  }
  if (parse_region_text(again.c_str()) != 1 || g_region_count != count) std::abort();
  for (int i = 0; i < count; ++i)
    if (g_regions[i].region_start != first[i].region_start ||
        g_regions[i].region_end != first[i].region_end)
      std::abort();
  return 0;
}

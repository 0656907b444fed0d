// "Dump to buffer": ranges of target memory, named as region text ("0x0-0x7FF;0x2000-0x3FFF"),
// read from the target and written into the buffer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct BufferRegion {
  uint32_t region_start;  // both inclusive
  uint32_t region_end;
};

enum { kMaxBufferRegions = 16, kRegionTextLimit = 510 };

// The region text the dialog shows (kept while the program runs; empty at start, then the
// default "0x0-0x7FF;0x2000-0x3FFF" whenever the dialog opens with it empty) and the regions of
// the last text the dialog accepted.
extern std::string g_region_text;
extern BufferRegion g_regions[kMaxBufferRegions];
extern int g_region_count;

// Parses region text: START-END pairs of hexadecimal numbers (either may carry "0x" or "0X"),
// separated by ";" or blanks (any byte whose value as a signed byte is at most 0x20); "-" must
// follow START directly. At most 16 regions; an empty text has none. Returns 1 and replaces the
// region list when the text is accepted, 0 (list unchanged) when it is not.
int parse_region_text(const char* text);

// Dumps every region of the list, in order, into the buffer ("Dump to buffer" frame, a
// "Region 0x%X-0x%X" line each). Regions whose end is not above their start are skipped.
// True when all succeeded, false at the first failure (the line says which): a region too large
// to stage ("Failed getting memory (size 0x%X) "), a failed target read ("Cannot get memory at
// 0x%X"), a full buffer ("Failed buffer management (size 0x%X) ").
bool dump_regions();

// A region list of its own, for callers that keep one (the command line): parsed by the same
// rules, dumped by the same steps, with the outcome as a value.
struct BufferRegionList {
  BufferRegion regions[kMaxBufferRegions];
  int count = 0;
};
struct DumpResult {
  bool ok = false;
  uint64_t bytes = 0;            // written into the buffer
  uint32_t failing_address = 0;  // where it stopped, when it did (the region's start, or the
                                 // library's failing address for a failed read)
};
bool parse_region_list(const char* text, BufferRegionList* list);
DumpResult dump_region_list(const BufferRegionList& list);

// The command line's dump: any number of ranges (first and last address each, a one-byte range
// included), each read in one bdx_GetBlock into a staging area cleared first, under the frame
// "Dump to buffer" with a "Region 0x%X-0x%X" line each and the failures of dump_region_list.
// With skip_erased, runs of 16 or more 0xFF bytes are left out of the buffer.
DumpResult dump_ranges(const std::vector<BufferRegion>& ranges, bool skip_erased);

// A banked range as the ranges that hold memory: above 0xFFFF only each 64 KiB page's
// 0x8000-0xBFFF window does, so a range that crosses pages is read window by window (a range
// within the 16-bit map, or above page 0xFF, is kept whole).
void split_banked_range(uint32_t first, uint32_t last, std::vector<BufferRegion>* out);

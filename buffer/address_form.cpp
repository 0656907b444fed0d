#include "buffer/address_form.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "buffer/file_system.h"
#include "buffer/load_save.h"
#include "target/hcs12_registers.h"

namespace {

// The HCS12 map's windows, by the names the rest of this file uses.
const uint32_t kPageSize = kFlashWindowSize;
const uint32_t kPageCount = kLastFlashPage + 1;  // HCS12 PPAGE values 0x00-0x3F
const uint32_t kLowWindow = kPage3EWindowStart;  // page 0x3E, always visible
const uint32_t kPagedWindow = kPageWindowStart;  // the page PPAGE selects
const uint32_t kHighWindow = kPage3FWindowStart; // page 0x3F, always visible
const uint32_t kLowWindowPage = 0x3E;
const uint32_t kHighWindowPage = kLastFlashPage;
// Linear flash: everything from 0x010000 to 0x0FFFFF, pages 0x04-0x3F.
const uint32_t kLinearFlashStart = 0x010000;
const uint32_t kLinearFlashEnd = kPageCount * kPageSize;
const uint32_t kFirstLinearPage = kLinearFlashStart / kPageSize;
const uint64_t kAddressSpaceEnd = uint64_t(1) << 32;
// Lines of one kind of problem before the rest are only counted.
const int kMaxReportedRanges = 8;

static_assert(kLinearFlashEnd == 0x100000, "64 pages of 16 KiB");
static_assert(kFirstLinearPage == 0x04, "pages 0x00-0x03 lie below 0x010000");

enum class Fate { Kept, Moved, Homeless };

// What happens to the addresses from a source address on: `length` of them share one fate and
// one translation, the first going to `target`.
struct Stretch {
  Fate fate;
  uint32_t target;
  uint64_t length;
};

Stretch linear_to_banked(uint32_t a) {
  if (a < kLinearFlashStart) return {Fate::Kept, a, kLinearFlashStart - a};
  if (a < kLinearFlashEnd) {
    const uint32_t page = a / kPageSize, offset = a % kPageSize;
    return {Fate::Moved, (page << 16) + kPagedWindow + offset, kPageSize - offset};
  }
  return {Fate::Kept, a, kAddressSpaceEnd - a};
}

Stretch banked_to_linear(uint32_t a, bool windows_as_pages) {
  const uint32_t page = a >> 16, w = a & 0xFFFF;
  if (a < 0x10000) {
    if (windows_as_pages && w >= kLowWindow && w < kPagedWindow)
      return {Fate::Moved, kLowWindowPage * kPageSize + (w - kLowWindow), kPagedWindow - w};
    if (windows_as_pages && w >= kHighWindow)
      return {Fate::Moved, kHighWindowPage * kPageSize + (w - kHighWindow), 0x10000 - w};
    return {Fate::Kept, a, kPageSize - a % kPageSize};
  }
  if (page >= kPageCount) return {Fate::Kept, a, kAddressSpaceEnd - a};
  if (w >= kPagedWindow && w < kHighWindow) {
    if (page < kFirstLinearPage) return {Fate::Homeless, a, kHighWindow - w};
    return {Fate::Moved, page * kPageSize + (w - kPagedWindow), kHighWindow - w};
  }
  // Outside the paged window: in the linear form's flash range such data would read as flash.
  const uint64_t length = w < kPagedWindow ? kPagedWindow - w : 0x10000 - w;
  return {a < kLinearFlashEnd ? Fate::Homeless : Fate::Kept, a, length};
}

// Consecutive source bytes of one block that go to consecutive addresses.
struct Piece {
  uint32_t target;
  uint32_t length;
  const uint8_t* data;
};

// Consecutive source addresses with one translation, across blocks: what the checks report.
struct Span {
  uint32_t target;
  uint32_t source;
  uint64_t length;
};

void add_span(std::vector<Span>& spans, uint32_t target, uint32_t source, uint32_t length) {
  if (!spans.empty()) {
    Span& last = spans.back();
    if (uint64_t(last.source) + last.length == source &&
        uint64_t(last.target) + last.length == target) {
      last.length += length;
      return;
    }
  }
  spans.push_back({target, source, length});
}

struct Plan {
  std::vector<Piece> pieces;   // every byte that stays in the buffer, moved or not
  std::vector<Span> spans;     // the same, joined
  std::vector<Span> homeless;  // data without a place in the target form
  uint64_t moved = 0;
};

// One walk over the blocks.
void make_plan(AddressForm from, bool windows_as_pages, Plan* plan) {
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    uint32_t a = b->start_address;
    const uint8_t* data = b->data;
    uint32_t left = b->length;
    while (left > 0) {
      const Stretch s =
          from == AddressForm::Linear ? linear_to_banked(a) : banked_to_linear(a, windows_as_pages);
      const uint32_t n = s.length < left ? uint32_t(s.length) : left;
      if (s.fate == Fate::Homeless) {
        add_span(plan->homeless, a, a, n);
      } else {
        plan->pieces.push_back({s.target, n, data});
        add_span(plan->spans, s.target, a, n);
        if (s.fate == Fate::Moved) plan->moved += n;
      }
      a += n;  // wraps only after the last address, where nothing is left
      data += n;
      left -= n;
    }
  }
}

void report_more(int count, const char* what) {
  if (count > kMaxReportedRanges)
    append_formatted("%d more %s", count - kMaxReportedRanges, what);
}

bool report_homeless(const std::vector<Span>& homeless) {
  int count = 0;
  for (const Span& h : homeless) {
    if (++count <= kMaxReportedRanges)
      append_formatted("No linear address for the data at 0x%06lX-0x%06lX "
                       "(0x010000-0x0FFFFF is paged flash in the linear form)",
                       (unsigned long)h.source, (unsigned long)(h.source + h.length - 1));
  }
  report_more(count, "ranges without a linear address");
  return count == 0;
}

// Sorted by target, every span is checked against the one reaching furthest so far: an
// overlap is reported once, with the source address of both at its start.
bool report_conflicts(std::vector<Span>& spans) {
  std::sort(spans.begin(), spans.end(), [](const Span& x, const Span& y) {
    return x.target != y.target ? x.target < y.target : x.source < y.source;
  });
  int count = 0;
  const Span* reach = nullptr;
  uint64_t reach_end = 0;
  for (const Span& s : spans) {
    const uint64_t end = uint64_t(s.target) + s.length;
    if (reach && s.target < reach_end) {
      const uint64_t last = std::min(end, reach_end) - 1;
      if (++count <= kMaxReportedRanges)
        append_formatted("Conflict at 0x%06lX-0x%06lX: data from 0x%06lX and from 0x%06lX",
                         (unsigned long)s.target, (unsigned long)last,
                         (unsigned long)(reach->source + (s.target - reach->target)),
                         (unsigned long)s.source);
    }
    if (end > reach_end) {
      reach = &s;
      reach_end = end;
    }
  }
  report_more(count, "conflicting ranges");
  return count == 0;
}

// Writes the pieces into a fresh buffer in place of the old one. Highest address first: a
// write never lands in the free tail of a block below it, so no gap between pieces is filled
// with bytes the source did not hold. The old buffer comes back when memory runs out.
bool rebuild(std::vector<Piece>& pieces) {
  std::sort(pieces.begin(), pieces.end(),
            [](const Piece& x, const Piece& y) { return x.target < y.target; });
  BufferBlock* old = buffer_detach();
  for (auto p = pieces.rbegin(); p != pieces.rend(); ++p) {
    if (!buffer_write(p->target, p->data, p->length, 0xFF)) {
      buffer_attach(old);  // frees what was written
      return false;
    }
  }
  BufferBlock* fresh = buffer_detach();
  buffer_attach(old);
  buffer_attach(fresh);  // frees the old blocks, the source of the pieces
  return true;
}

const char* form_name(AddressForm form) { return form == AddressForm::Linear ? "linear" : "banked"; }

}  // namespace

bool parse_address_form(const char* text, AddressForm* form) {
  if (std::strcmp(text, "banked") == 0) {
    *form = AddressForm::Banked;
  } else if (std::strcmp(text, "linear") == 0) {
    *form = AddressForm::Linear;
  } else {
    return false;
  }
  return true;
}

bool convert_buffer_addresses(AddressForm from, AddressForm to, bool windows_as_pages) {
  if (from == to) return true;
  const std::string title =
      std::string("Convert ") + form_name(from) + " addresses to " + form_name(to);
  begin_command(title.c_str());
  try {
    Plan plan;
    make_plan(from, windows_as_pages, &plan);
    if (!report_homeless(plan.homeless)) return false;
    // Addresses of the buffer are unique: only moved bytes can meet another byte.
    if (plan.moved > 0) {
      plan.homeless.clear();
      if (!report_conflicts(plan.spans)) return false;
      plan.spans.clear();
      plan.spans.shrink_to_fit();
      if (!rebuild(plan.pieces)) {
        append_line("Buffer Error: cannot add");
        return false;
      }
    }
    append_formatted("Moved %llu bytes to %s addresses", (unsigned long long)plan.moved,
                     form_name(to));
  } catch (const std::bad_alloc&) {
    append_line("Out of memory");
    return false;
  }
  end_command();
  return true;
}

bool load_file_in_form(const char* path, AddressForm form) {
  if (!load_file_into_buffer(path)) return false;
  return convert_buffer_addresses(form, AddressForm::Banked, false);
}

bool buffer_looks_linear(uint32_t* first) {
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    const uint64_t end = uint64_t(b->start_address) + b->length;
    if (b->length == 0 || end <= kLinearFlashStart) continue;
    if (b->start_address >= kLinearFlashEnd) return false;
    uint32_t a = b->start_address < kLinearFlashStart ? kLinearFlashStart : b->start_address;
    const uint32_t w = a & 0xFFFF;
    // Inside a paged window the first address outside it is where the window ends.
    if (w >= kPagedWindow && w < kHighWindow) a = (a & ~0xFFFFu) + kHighWindow;
    if (a < end && a < kLinearFlashEnd) {
      if (first) *first = a;
      return true;
    }
  }
  return false;
}

bool write_banked_copy(const char* path, std::string* copy_path) {
  BufferBlock* user = buffer_detach();
  bool ok = load_file_in_form(path, AddressForm::Linear);
  std::string name;
  if (ok) {
    name = temporary_file_name("corvane-banked");
    if (name.empty()) {
      append_line("Cannot create a temporary file");
      ok = false;
    } else {
      ok = save_buffer_to_file(name.c_str()) != 0;
    }
  }
  buffer_attach(user);  // frees the copy's data, quietly
  if (ok) *copy_path = name;
  return ok;
}

std::vector<std::pair<uint32_t, uint32_t>> linear_range_as_banked(uint32_t first, uint32_t last) {
  std::vector<std::pair<uint32_t, uint32_t>> out;
  uint64_t a = first;
  while (a <= last) {
    const Stretch s = linear_to_banked(uint32_t(a));
    const uint64_t n = std::min<uint64_t>(s.length, uint64_t(last) - a + 1);
    out.emplace_back(s.target, uint32_t(s.target + n - 1));
    a += n;
  }
  return out;
}

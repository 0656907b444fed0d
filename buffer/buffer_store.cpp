#include "buffer/buffer_store.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <new>

#include "app/message_pane.h"

namespace {

BufferBlock* buffer_head = nullptr;
// The block touched last. Loads in ascending or descending order and sequential reads stay in
// it, go on to the next block or in front of the first one, and need nothing else.
BufferBlock* g_hint = nullptr;
// Every block by start address, so that the block at or below an address is found without
// walking the list: an access that is none of the above costs the same whatever order the
// addresses come in. Built at the first such access and kept from then on, so that ordered
// loads never pay for it.
std::map<uint32_t, BufferBlock*> g_index;
bool g_indexed = false;
long g_alloc_budget = -1;

const uint64_t kAddressSpaceEnd = uint64_t(1) << 32;

void drop_index() {
  g_index.clear();
  g_indexed = false;
}

// False when memory for the index ran out (the index is then dropped again).
bool ensure_index() {
  if (g_indexed) return true;
  try {
    for (BufferBlock* b = buffer_head; b; b = b->next)
      g_index.emplace_hint(g_index.end(), b->start_address, b);
  } catch (const std::bad_alloc&) {
    drop_index();
    return false;
  }
  g_indexed = true;
  return true;
}

// The block with the highest start address at or below address, or null.
BufferBlock* block_at_or_below(uint32_t address) {
  if (!ensure_index()) {
    BufferBlock* found = nullptr;
    for (BufferBlock* b = buffer_head; b && b->start_address <= address; b = b->next) found = b;
    return found;
  }
  auto it = g_index.upper_bound(address);
  if (it == g_index.begin()) return nullptr;
  return std::prev(it)->second;
}

// Where a walk over the blocks that may cover address by capacity begins (null: none does).
// A block reaches at most kBufferBlockCapacity - 1 addresses past its start, and an earlier
// block never reaches into the valid bytes of a later one, so no block before it covers the
// address.
BufferBlock* write_walk_start(uint32_t address) {
  if (g_hint && g_hint->start_address <= address &&
      (address - g_hint->start_address < 2 * kBufferBlockCapacity || !g_hint->next ||
       g_hint->next->start_address > address))
    return g_hint;  // close to the block written last, or past it and before the next one
  if (!buffer_head || address < buffer_head->start_address) return nullptr;
  const uint32_t reach = kBufferBlockCapacity - 1;
  const uint32_t lowest = address >= reach ? address - reach : 0;
  if (!ensure_index()) return buffer_head;
  auto it = g_index.lower_bound(lowest);
  return it == g_index.end() ? nullptr : it->second;
}

// One past the last address a write may place into block b: the end of its data area, but
// never into the valid bytes of a later block, and never past the end of the address space.
uint64_t block_limit(const BufferBlock* b) {
  uint64_t limit = uint64_t(b->start_address) + b->capacity;
  if (limit > kAddressSpaceEnd) limit = kAddressSpaceEnd;
  const uint64_t valid_end = uint64_t(b->start_address) + b->length;
  for (const BufferBlock* m = b->next; m && m->start_address < limit; m = m->next) {
    if (m->length == 0) continue;
    const uint64_t m_end = uint64_t(m->start_address) + m->length;
    if (m_end <= valid_end) continue;
    const uint64_t first = m->start_address > valid_end ? m->start_address : valid_end;
    if (first < limit) limit = first;
  }
  return limit;
}

// The block with the highest start address at or below address (null when there is none),
// from the block used last where it can tell, else from the index.
BufferBlock* block_starting_at_or_below(uint32_t address) {
  if (!buffer_head || address < buffer_head->start_address) return nullptr;
  if (g_hint && g_hint->start_address <= address) {
    BufferBlock* next = g_hint->next;
    if (!next || next->start_address > address) return g_hint;
    if (!next->next || next->next->start_address > address) return next;  // reading on
  }
  return block_at_or_below(address);
}

// The block holding address as a valid byte, or null. Valid bytes of different blocks never
// overlap, so only the block starting last at or below the address can hold it.
BufferBlock* lookup(uint32_t address) {
  BufferBlock* b = block_starting_at_or_below(address);
  if (!b || address - b->start_address >= b->length) return nullptr;
  g_hint = b;
  return b;
}

bool take_allocation() {
  if (g_alloc_budget < 0) return true;
  if (g_alloc_budget == 0) return false;
  --g_alloc_budget;
  return true;
}

// A block and its data area come from one allocation (the data right behind the record): half
// the allocator's work for a load. Each still counts as its own allocation for the fault
// injection of the tests.
BufferBlock* new_block(uint32_t start, uint8_t fill) {
  if (!take_allocation()) return nullptr;
  if (!take_allocation()) return nullptr;
  BufferBlock* b = static_cast<BufferBlock*>(std::malloc(sizeof(BufferBlock) + kBufferBlockCapacity));
  if (!b) return nullptr;
  b->data = reinterpret_cast<uint8_t*>(b + 1);
  std::memset(b->data, fill, kBufferBlockCapacity);
  b->capacity = kBufferBlockCapacity;
  b->length = 0;
  b->start_address = start;
  b->next = nullptr;
  return b;
}

void free_list(BufferBlock* head) {
  while (head) {
    BufferBlock* next = head->next;
    std::free(head);  // with its data area
    head = next;
  }
}

}  // namespace

void buffer_init() {
  buffer_head = nullptr;
  drop_index();
  g_hint = nullptr;
}

void buffer_clear() {
  begin_command("Clear buffer");
  free_list(buffer_head);
  buffer_head = nullptr;
  drop_index();
  g_hint = nullptr;
  end_command();
}

int buffer_write(uint32_t address, const uint8_t* source, uint32_t count, uint8_t fill) {
  while (count > 0) {
    // Fill the blocks that cover the address, in list order.
    for (BufferBlock* b = write_walk_start(address); b && count > 0; b = b->next) {
      if (b->start_address > address) break;  // ascending order: no later block covers it
      const uint64_t limit = block_limit(b);
      if (address >= limit) continue;
      uint32_t p = address - b->start_address;
      const uint32_t end = uint32_t(limit - b->start_address);
      while (p < end && count > 0) {
        b->data[p++] = *source++;
        ++address;  // wraps to 0 after the last address; only the last block can end there
        --count;
      }
      if (p > b->length) b->length = p;
      g_hint = b;
    }
    if (count == 0) return 1;

    // No block takes the address: start a new one, in order before the first block that
    // starts above it.
    BufferBlock* prev;
    bool known = true;  // prev found without the index
    if (g_hint && g_hint->start_address < address &&
        (!g_hint->next || g_hint->next->start_address > address)) {
      prev = g_hint;  // right after the block written last, as an ascending load goes on
    } else if (!buffer_head || address < buffer_head->start_address) {
      prev = nullptr;  // in front of every block, as a descending load goes on
    } else {
      known = false;
      prev = nullptr;
    }
    if (!known) {
      if (!ensure_index()) return 0;
      auto at = g_index.lower_bound(address);
      prev = at == g_index.begin() ? nullptr : std::prev(at)->second;
    }
    BufferBlock* b = new_block(address, fill);
    if (!b) return 0;
    if (g_indexed) {
      try {
        g_index.emplace(address, b);
      } catch (const std::bad_alloc&) {
        std::free(b);
        return 0;
      }
    }
    BufferBlock* next = prev ? prev->next : buffer_head;
    b->next = next;
    if (prev) {
      prev->next = b;
    } else {
      buffer_head = b;
    }
    g_hint = b;
    const uint64_t limit = block_limit(b);
    uint32_t p = 0;
    const uint32_t end = uint32_t(limit - b->start_address);
    while (p < end && count > 0) {
      b->data[p++] = *source++;
      ++address;
      --count;
    }
    b->length = p;
  }
  return 1;
}

int buffer_get_byte(uint32_t address, uint8_t* value) {
  const BufferBlock* b = lookup(address);
  if (!b) return 0;
  if (value) *value = b->data[address - b->start_address];
  return 1;
}

void buffer_set_byte(uint32_t address, uint8_t value) {
  BufferBlock* b = lookup(address);
  if (b) b->data[address - b->start_address] = value;
}

int buffer_read_run(uint32_t address, uint32_t last_address, int max_count, uint8_t* destination) {
  int copied = 0;
  while (address <= last_address && copied < max_count) {
    const BufferBlock* b = lookup(address);
    if (!b) break;
    destination[copied++] = b->data[address - b->start_address];
    if (address == 0xFFFFFFFFu) break;
    ++address;
  }
  return copied;
}

bool buffer_next_held(uint32_t address, uint32_t last_address, uint32_t* found) {
  if (address > last_address) return false;
  // Valid bytes of the blocks are disjoint and ascending, so the first block whose valid bytes
  // end above address holds the answer (or nothing is held there).
  BufferBlock* from = block_starting_at_or_below(address);
  for (BufferBlock* b = from ? from : buffer_head; b; b = b->next) {
    if (b->start_address > last_address) return false;
    if (b->length == 0 || uint64_t(b->start_address) + b->length <= address) continue;
    g_hint = b;
    if (found) *found = b->start_address > address ? b->start_address : address;
    return true;
  }
  return false;
}

bool buffer_is_empty() { return buffer_head == nullptr; }

const BufferBlock* buffer_first_block() { return buffer_head; }

BufferBlock* buffer_detach() {
  BufferBlock* head = buffer_head;
  buffer_head = nullptr;
  drop_index();
  g_hint = nullptr;
  return head;
}

void buffer_attach(BufferBlock* head) {
  free_list(buffer_head);
  buffer_head = head;
  drop_index();
  g_hint = nullptr;
}

void buffer_fail_allocations_after(long allocations) { g_alloc_budget = allocations; }

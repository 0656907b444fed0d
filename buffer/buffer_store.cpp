#include "buffer/buffer_store.h"

#include <cstdlib>
#include <cstring>

#include "app/message_pane.h"

namespace {

BufferBlock* buffer_head = nullptr;
// The block touched last. Blocks below it hold only addresses below its start (valid bytes
// never overlap), so any walk for an address at or above its start may begin there instead
// of at the head. Sequential loads and reads then cost O(1) per access.
BufferBlock* g_hint = nullptr;
long g_alloc_budget = -1;

const uint64_t kAddressSpaceEnd = uint64_t(1) << 32;

BufferBlock* walk_start(uint32_t address) {
  if (g_hint && g_hint->start_address <= address) return g_hint;
  return buffer_head;
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

// The block holding address as a valid byte, or null.
BufferBlock* lookup(uint32_t address) {
  for (BufferBlock* b = walk_start(address); b && b->start_address <= address; b = b->next) {
    if (address - b->start_address < b->length) {
      g_hint = b;
      return b;
    }
  }
  return nullptr;
}

bool take_allocation() {
  if (g_alloc_budget < 0) return true;
  if (g_alloc_budget == 0) return false;
  --g_alloc_budget;
  return true;
}

BufferBlock* new_block(uint32_t start, uint8_t fill) {
  if (!take_allocation()) return nullptr;
  BufferBlock* b = static_cast<BufferBlock*>(std::malloc(sizeof(BufferBlock)));
  if (!b) return nullptr;
  if (!take_allocation()) {
    std::free(b);
    return nullptr;
  }
  b->data = static_cast<uint8_t*>(std::malloc(kBufferBlockCapacity));
  if (!b->data) {
    std::free(b);
    return nullptr;
  }
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
    std::free(head->data);
    std::free(head);
    head = next;
  }
}

}  // namespace

void buffer_init() {
  buffer_head = nullptr;
  g_hint = nullptr;
}

void buffer_clear() {
  begin_command("Clear buffer");
  free_list(buffer_head);
  buffer_head = nullptr;
  g_hint = nullptr;
  end_command();
}

int buffer_write(uint32_t address, const uint8_t* source, uint32_t count, uint8_t fill) {
  while (count > 0) {
    // Fill the blocks that cover the address, in list order.
    for (BufferBlock* b = walk_start(address); b && count > 0; b = b->next) {
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
    BufferBlock* prev = nullptr;
    BufferBlock* next = buffer_head;
    if (g_hint && g_hint->start_address < address) {
      prev = g_hint;
      next = g_hint->next;
    }
    while (next && next->start_address < address) {
      prev = next;
      next = next->next;
    }
    BufferBlock* b = new_block(address, fill);
    if (!b) return 0;
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

int buffer_next_held(uint32_t address, uint32_t last_address, uint32_t* found) {
  if (address > last_address) return 0;
  // Valid bytes of the blocks are disjoint and ascending, so the first block whose valid bytes
  // end above address holds the answer (or nothing is held there).
  for (BufferBlock* b = walk_start(address); b; b = b->next) {
    if (b->start_address > last_address) return 0;
    if (b->length == 0 || uint64_t(b->start_address) + b->length <= address) continue;
    g_hint = b;
    if (found) *found = b->start_address > address ? b->start_address : address;
    return 1;
  }
  return 0;
}

bool buffer_is_empty() { return buffer_head == nullptr; }

const BufferBlock* buffer_first_block() { return buffer_head; }

BufferBlock* buffer_detach() {
  BufferBlock* head = buffer_head;
  buffer_head = nullptr;
  g_hint = nullptr;
  return head;
}

void buffer_attach(BufferBlock* head) {
  free_list(buffer_head);
  buffer_head = head;
  g_hint = nullptr;
}

void buffer_fail_allocations_after(long allocations) { g_alloc_budget = allocations; }

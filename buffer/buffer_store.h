// The buffer: the host-side memory image of the target.
//
// A sparse list of small blocks of consecutive target addresses, kept in ascending order of
// start address. Every block has a 32-byte data area; its first `length` bytes are valid.
// When a block is created its whole data area is set to the fill byte of the write that
// created it, so a later write that extends the block past a gap leaves the gap reading as
// that fill byte.
//
// The valid bytes of two blocks never overlap: a write lands in the block that already holds
// the address, and a block's free tail is used only up to the next block's start. Every
// address is therefore held by at most one block, and readers always see the byte written
// last. For blocks that do not reach into one another this is the plain first-fit rule:
// the first block whose 32-byte area covers the address takes it, otherwise a new block
// starts at that address.
//
// Blocks are found from the block used last (ascending and descending loads, sequential reads)
// or else through an index by start address, never by walking the list from the head, so a
// write or read costs about the same whatever order the addresses come in (a file of records in
// random order loads in time linear in its records).
#pragma once
#include <cstdint>

struct BufferBlock {
  uint32_t capacity;       // size of the data area in bytes; always 32
  uint32_t length;         // valid bytes, counted from start_address
  uint32_t start_address;  // target address of data[0]
  uint8_t* data;           // capacity bytes
  BufferBlock* next;       // next block in ascending address order, or null
};

enum { kBufferBlockCapacity = 32 };

// Makes the buffer empty without freeing anything (start-up).
void buffer_init();
// The "Clear buffer" command: frees every block and empties the buffer. Cannot fail.
void buffer_clear();

// Stores count bytes at consecutive addresses from address (wrapping after 0xFFFFFFFF).
// 1 on success, 0 when a block cannot be allocated (bytes stored before that stay).
int buffer_write(uint32_t address, const uint8_t* source, uint32_t count, uint8_t fill);
// 1 and the byte when the buffer holds the address, else 0.
int buffer_get_byte(uint32_t address, uint8_t* value);
// Overwrites a held byte; does nothing for an address that is not held.
void buffer_set_byte(uint32_t address, uint8_t value);
// Copies the held bytes at address, address + 1, ... while the address is not above
// last_address and fewer than max_count were copied; returns the number copied.
int buffer_read_run(uint32_t address, uint32_t last_address, int max_count, uint8_t* destination);
// The lowest address from address up to last_address that the buffer holds: true and *found,
// or false when it holds none of them. Lets a scan pass over absent addresses in one step.
bool buffer_next_held(uint32_t address, uint32_t last_address, uint32_t* found);
bool buffer_is_empty();

// Block walk: the first block (null when empty); follow `next` for the rest, in ascending
// address order.
const BufferBlock* buffer_first_block();

// Takes the whole list out, leaving the buffer empty; the caller owns it until it attaches it
// again.
BufferBlock* buffer_detach();
// Puts a list taken by buffer_detach back. Whatever the buffer holds at that moment is freed
// first (no command frame).
void buffer_attach(BufferBlock* head);

// Fault injection for tests: after `allocations` more successful block allocations every
// further one fails. A negative value (the default) never fails.
void buffer_fail_allocations_after(long allocations);

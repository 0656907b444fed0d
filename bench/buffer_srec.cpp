// Loading and saving a large S-record image: 1 MiB of paged flash (pages 0x00-0x3F, each at
// (page << 16) + 0x8000 .. 0xBFFF), the largest image an HCS12 target holds.
// Prints times, block counts and the buffer's heap use.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "buffer/srec.h"

namespace {

const PaneSeam kQuietPane = quiet_pane_seam();

using Clock = std::chrono::steady_clock;
double ms_since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

long block_count() {
  long n = 0;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) ++n;
  return n;
}

void fill_pages(int first_page, int last_page) {
  uint8_t chunk[16];
  for (int page = first_page; page <= last_page; ++page) {
    for (uint32_t a = 0x8000; a < 0xC000; a += 16) {
      for (int i = 0; i < 16; ++i) chunk[i] = uint8_t(std::rand());
      buffer_write((uint32_t(page) << 16) + a, chunk, 16, 0xFF);
    }
  }
}

}  // namespace

int main() {
  pane_set_seam(&kQuietPane);
  buffer_init();
  std::srand(7);

  // A 64 KiB image is 2048 blocks of 32 bytes.
  fill_pages(0x3C, 0x3F);
  std::printf("64 KiB image: %ld blocks (expected 2048)\n", block_count());
  buffer_clear();

  auto t0 = Clock::now();
  fill_pages(0x00, 0x3F);
  const double fill_ms = ms_since(t0);
  const long blocks = block_count();
  std::printf("1 MiB image: %ld blocks (expected 32768), written in 16-byte pieces in %.1f ms\n",
              blocks, fill_ms);
  std::printf("  buffer heap: %.2f MiB (%zu-byte block records + 32-byte data areas, before "
              "allocator overhead)\n",
              double(blocks) * double(sizeof(BufferBlock) + kBufferBlockCapacity) / 1048576.0,
              sizeof(BufferBlock));

  FILE* f = std::tmpfile();
  t0 = Clock::now();
  srec_write(f);
  std::fflush(f);
  const double write_ms = ms_since(t0);
  const long file_size = std::ftell(f);
  std::printf("srec_write: %ld bytes of S-records in %.1f ms\n", file_size, write_ms);

  std::vector<uint8_t> before(0x40 * 0x4000);
  for (int page = 0; page < 0x40; ++page) {
    buffer_read_run((uint32_t(page) << 16) + 0x8000, (uint32_t(page) << 16) + 0xBFFF, 0x4000,
                    &before[size_t(page) * 0x4000]);
  }
  buffer_clear();

  std::rewind(f);
  t0 = Clock::now();
  const int result = srec_read(f);
  const double read_ms = ms_since(t0);
  std::fclose(f);
  std::printf("srec_read: result %d, %ld blocks in %.1f ms\n", result, block_count(), read_ms);

  t0 = Clock::now();
  std::vector<uint8_t> after(0x40 * 0x4000);
  int copied = 0;
  for (int page = 0; page < 0x40; ++page) {
    copied += buffer_read_run((uint32_t(page) << 16) + 0x8000, (uint32_t(page) << 16) + 0xBFFF,
                              0x4000, &after[size_t(page) * 0x4000]);
  }
  std::printf("buffer_read_run over every page: %d bytes in %.1f ms, %s\n", copied, ms_since(t0),
              after == before ? "same bytes as saved" : "DIFFERENT BYTES");

  // Scattered single-byte reads walk from the first block.
  t0 = Clock::now();
  unsigned sum = 0;
  const int lookups = 2000;
  for (int i = 0; i < lookups; ++i) {
    uint8_t v = 0;
    uint32_t page = uint32_t(std::rand() % 0x40);
    buffer_get_byte((page << 16) + 0x8000 + uint32_t(std::rand() % 0x4000), &v);
    sum += v;
  }
  std::printf("%d scattered buffer_get_byte: %.1f ms (%.1f us each)\n", lookups, ms_since(t0),
              ms_since(t0) * 1000.0 / lookups);

  buffer_clear();
  return after == before && result == 0 && sum != 1 ? 0 : 1;
}

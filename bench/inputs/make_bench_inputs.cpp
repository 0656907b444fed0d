// Writes the S-record inputs of scripts/bench, so every machine measures the same files.
//   make_bench_inputs paged-s2 FILE      1 MiB of paged flash: pages 0x00-0x3F, each at
//                                        (page << 16) + 0x8000 .. 0xBFFF, S2 records of 32 bytes
//   make_bench_inputs linear-s2 FILE     the same kind of flash in linear addresses: pages
//                                        0x04-0x3F at page * 0x4000, 0x010000-0x0FFFFF, S2
//                                        records of 32 bytes
//   make_bench_inputs sparse-s3 FILE     a 4 MiB span from 0x01000000 with 64 bytes in every
//                                        1 KiB, S3 records of 32 bytes
//   make_bench_inputs descending FILE    256 KiB at 0x00000-0x3FFFF written from the highest
//                                        record down, S2 records of 16 bytes
//   make_bench_inputs shuffled-bytes FILE  100,000 one-byte S3 records of consecutive addresses
//                                        in random order
//   make_bench_inputs interleaved FILE   two ascending 4 MiB regions (0x01000000 and
//                                        0x02000000), their 32-byte records taken in turn
// The data bytes come from a fixed pseudo-random sequence.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

uint32_t g_seed = 12345;
uint8_t next_byte() {
  g_seed = g_seed * 1103515245u + 12345u;
  return uint8_t(g_seed >> 16);
}

void record(FILE* out, int type, uint32_t address, const uint8_t* data, int n) {
  const int address_bytes = type + 1;
  const int count = address_bytes + n + 1;
  unsigned sum = unsigned(count);
  std::fprintf(out, "S%d%02X", type, count);
  for (int i = address_bytes - 1; i >= 0; --i) {
    const unsigned b = (address >> (8 * i)) & 0xFF;
    sum += b;
    std::fprintf(out, "%02X", b);
  }
  for (int i = 0; i < n; ++i) {
    sum += data[i];
    std::fprintf(out, "%02X", data[i]);
  }
  std::fprintf(out, "%02X\n", ~sum & 0xFF);
}

void random_record(FILE* out, int type, uint32_t address, int n) {
  uint8_t data[64];
  for (int i = 0; i < n; ++i) data[i] = next_byte();
  record(out, type, address, data, n);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_bench_inputs KIND FILE\n");
    return 2;
  }
  const char* kind = argv[1];
  FILE* out = std::fopen(argv[2], "w");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  if (std::strcmp(kind, "paged-s2") == 0) {
    for (uint32_t page = 0; page < 0x40; ++page)
      for (uint32_t a = 0x8000; a < 0xC000; a += 32) random_record(out, 2, (page << 16) + a, 32);
    std::fprintf(out, "S804000000FB\n");
  } else if (std::strcmp(kind, "linear-s2") == 0) {
    for (uint32_t a = 0x010000; a < 0x100000; a += 32) random_record(out, 2, a, 32);
    std::fprintf(out, "S804000000FB\n");
  } else if (std::strcmp(kind, "sparse-s3") == 0) {
    for (uint32_t a = 0x01000000; a < 0x01400000; a += 1024) {
      random_record(out, 3, a, 32);
      random_record(out, 3, a + 32, 32);
    }
    std::fprintf(out, "S70500000000FA\n");
  } else if (std::strcmp(kind, "descending") == 0) {
    for (uint32_t a = 0x40000; a > 0; a -= 16) random_record(out, 2, a - 16, 16);
    std::fprintf(out, "S804000000FB\n");
  } else if (std::strcmp(kind, "shuffled-bytes") == 0) {
    const uint32_t n = 100000;
    std::vector<uint32_t> order(n);
    for (uint32_t i = 0; i < n; ++i) order[i] = i;
    for (uint32_t i = n - 1; i > 0; --i) {
      g_seed = g_seed * 1103515245u + 12345u;
      const uint32_t j = (g_seed >> 8) % (i + 1);
      std::swap(order[i], order[j]);
    }
    for (uint32_t i : order) random_record(out, 3, 0x01000000 + i, 1);
    std::fprintf(out, "S70500000000FA\n");
  } else if (std::strcmp(kind, "interleaved") == 0) {
    for (uint32_t off = 0; off < 0x400000; off += 32) {
      random_record(out, 3, 0x01000000 + off, 32);
      random_record(out, 3, 0x02000000 + off, 32);
    }
    std::fprintf(out, "S70500000000FA\n");
  } else {
    std::fprintf(stderr, "make_bench_inputs: unknown kind '%s'\n", kind);
    std::fclose(out);
    return 2;
  }
  if (std::fclose(out) != 0) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}

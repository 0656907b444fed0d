#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "buffer/buffer_store.h"
#include "tests/support/memory_pane.h"
#include "tests/unit/buffer/buffer_test_util.h"

namespace {

using Layout = std::vector<std::pair<uint32_t, uint32_t>>;

class BufferStore : public testing::Test {
 protected:
  void SetUp() override { reset_buffer_quietly(); }
  void TearDown() override { reset_buffer_quietly(); }
  ScopedMemoryPane pane_;
};

// Blocks ascending, starts unique, valid bytes of different blocks disjoint.
void expect_sound_list() {
  const BufferBlock* prev = nullptr;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    EXPECT_EQ(b->capacity, 32u);
    EXPECT_GE(b->length, 1u);
    EXPECT_LE(b->length, b->capacity);
    EXPECT_LE(uint64_t(b->start_address) + b->length, uint64_t(1) << 32);
    if (prev) {
      EXPECT_LT(prev->start_address, b->start_address);
      EXPECT_LE(uint64_t(prev->start_address) + prev->length, b->start_address);
    }
    prev = b;
  }
}

uint8_t byte_at(uint32_t address) {
  uint8_t v = 0;
  EXPECT_EQ(buffer_get_byte(address, &v), 1) << std::hex << address;
  return v;
}

TEST_F(BufferStore, BlocksFollowTheDataInWriteOrder) {
  EXPECT_EQ(write_bytes(0x1000, bytes_from(0, 40)), 1);
  EXPECT_EQ(block_layout(), (Layout{{0x1000, 32}, {0x1020, 8}}));

  reset_buffer_quietly();
  write_bytes(0x1000, bytes_from(1, 4));
  write_bytes(0x1008, bytes_from(9, 4));
  EXPECT_EQ(block_layout(), (Layout{{0x1000, 12}}));
  for (uint32_t a = 0x1004; a < 0x1008; ++a) EXPECT_EQ(byte_at(a), 0xFF);
  EXPECT_EQ(byte_at(0x1008), 9);

  reset_buffer_quietly();
  write_bytes(0x1000, bytes_from(0, 32));
  write_bytes(0x1005, {0xAA});
  EXPECT_EQ(block_layout(), (Layout{{0x1000, 32}}));
  EXPECT_EQ(byte_at(0x1005), 0xAA);
  EXPECT_EQ(byte_at(0x1006), 6);

  reset_buffer_quietly();
  write_bytes(0x1010, bytes_from(0x10, 16));
  write_bytes(0x1000, bytes_from(0x00, 16));
  EXPECT_EQ(block_layout(), (Layout{{0x1000, 16}, {0x1010, 16}}));

  // A fill byte other than 0xFF shows in the gap.
  reset_buffer_quietly();
  uint8_t one = 1;
  buffer_write(0x2000, &one, 1, 0x00);
  buffer_write(0x2003, &one, 1, 0x55);
  EXPECT_EQ(byte_at(0x2001), 0x00);

  // A count of 0 creates nothing.
  reset_buffer_quietly();
  EXPECT_EQ(buffer_write(0x1000, nullptr, 0, 0xFF), 1);
  EXPECT_TRUE(buffer_is_empty());
}

TEST_F(BufferStore, AscendingRecordsMakeFullBlocksFromTheFirstByte) {
  // 16-byte records from 0x0FF0 to 0x10FF, as an ascending file loads them.
  for (uint32_t a = 0x0FF0; a < 0x1100; a += 16) write_bytes(a, bytes_from(uint8_t(a), 16));
  Layout expected;
  for (uint32_t a = 0x0FF0; a < 0x10F0; a += 32) expected.push_back({a, 32});
  expected.push_back({0x10F0, 16});
  EXPECT_EQ(block_layout(), expected);
}

TEST_F(BufferStore, ReadersOnlySeeValidBytes) {
  write_bytes(0x1000, bytes_from(0, 32));
  uint8_t v = 0x42;
  EXPECT_EQ(buffer_get_byte(0x1020, &v), 0);
  buffer_set_byte(0x1020, 7);  // never creates bytes
  EXPECT_EQ(block_layout(), (Layout{{0x1000, 32}}));
  buffer_set_byte(0x1003, 0x77);
  EXPECT_EQ(byte_at(0x1003), 0x77);

  uint8_t out[64];
  EXPECT_EQ(buffer_read_run(0x1000, 0x1003, 16, out), 4);
  EXPECT_EQ(buffer_read_run(0x1010, 0xFFFFFFFF, 64, out), 16);  // ends at the last held byte
  EXPECT_EQ(buffer_read_run(0x1000, 0xFFFFFFFF, 5, out), 5);
  EXPECT_EQ(buffer_read_run(0x0FFF, 0x1010, 16, out), 0);
  write_bytes(0x1020, bytes_from(0x20, 8));  // adjacent block: the run goes on
  EXPECT_EQ(buffer_read_run(0x1018, 0xFFFFFFFF, 64, out), 16);
  EXPECT_EQ(out[15], 0x27);
}

TEST_F(BufferStore, EndOfAddressSpaceWrapsWithoutOverlap) {
  EXPECT_EQ(write_bytes(0xFFFFFFF8, bytes_from(0, 20)), 1);
  EXPECT_EQ(block_layout(), (Layout{{0x00000000, 12}, {0xFFFFFFF8, 8}}));
  EXPECT_EQ(byte_at(0xFFFFFFFF), 7);
  EXPECT_EQ(byte_at(0x00000000), 8);
  uint8_t out[8];
  EXPECT_EQ(buffer_read_run(0xFFFFFFFE, 0xFFFFFFFF, 8, out), 2);
  expect_sound_list();
}

TEST_F(BufferStore, LaterDataIsNeverHiddenByAnEarlierBlocksGap) {
  // A block created below an existing one may reach into it by capacity.
  write_bytes(0x1010, bytes_from(0x10, 16));
  write_bytes(0x1000, bytes_from(0x00, 4));
  // Writing in the earlier block's free tail beyond the later block's start must not turn
  // the later block's bytes into gap bytes.
  write_bytes(0x1018, {0xAB});
  for (uint32_t a = 0x1010; a < 0x1020; ++a) {
    EXPECT_EQ(byte_at(a), a == 0x1018 ? 0xAB : uint8_t(a & 0xFF)) << std::hex << a;
  }
  uint8_t v;
  EXPECT_EQ(buffer_get_byte(0x1004, &v), 0);
  // A write spanning both lands in each block once.
  write_bytes(0x1002, bytes_from(0xC0, 20));
  for (uint32_t a = 0x1002; a < 0x1016; ++a) EXPECT_EQ(byte_at(a), uint8_t(0xC0 + a - 0x1002));
  EXPECT_EQ(block_layout(), (Layout{{0x1000, 16}, {0x1010, 16}}));
  expect_sound_list();
}

TEST_F(BufferStore, RandomWritesAlwaysShowTheLatestBytes) {
  std::srand(1234);
  std::map<uint32_t, uint8_t> latest;
  for (int round = 0; round < 3000; ++round) {
    uint32_t address = 0x8000 + uint32_t(std::rand() % 600);
    int count = 1 + std::rand() % 40;
    std::vector<uint8_t> data;
    for (int i = 0; i < count; ++i) data.push_back(uint8_t(std::rand()));
    ASSERT_EQ(write_bytes(address, data), 1);
    for (int i = 0; i < count; ++i) latest[address + uint32_t(i)] = data[size_t(i)];
    if (round % 100 == 0) expect_sound_list();
  }
  expect_sound_list();
  for (const auto& kv : latest) ASSERT_EQ(byte_at(kv.first), kv.second) << std::hex << kv.first;
  // Bytes never written are either not held or gap bytes.
  for (uint32_t a = 0x7F00; a < 0x8400; ++a) {
    uint8_t v;
    if (!latest.count(a) && buffer_get_byte(a, &v)) {
      EXPECT_EQ(v, 0xFF);
    }
  }
}

// The plain first-fit rules, written out directly: the first block whose 32-byte area covers
// the address takes it, the walk goes on from there, and a new block starts at the first byte
// that did not fit.
struct ModelBlock {
  uint32_t start;
  uint32_t length;
  uint8_t data[32];
};

void model_write(std::vector<ModelBlock>& list, uint32_t a, const uint8_t* s, uint32_t n,
                 uint8_t fill) {
  while (n > 0) {
    for (size_t i = 0; i < list.size() && n > 0; ++i) {
      ModelBlock& b = list[i];
      if (b.start <= a && a - b.start < 32) {
        uint32_t p = a - b.start;
        while (p < 32 && n > 0) {
          b.data[p++] = *s++;
          ++a;
          --n;
        }
        if (p > b.length) b.length = p;
      }
    }
    if (n == 0) return;
    ModelBlock nb;
    nb.start = a;
    std::memset(nb.data, fill, sizeof nb.data);
    nb.length = 0;
    while (nb.length < 32 && n > 0) {
      nb.data[nb.length++] = *s++;
      ++a;
      --n;
    }
    size_t at = 0;
    while (at < list.size() && list[at].start <= nb.start) ++at;
    list.insert(list.begin() + long(at), nb);
  }
}

// True when some block's 32-byte area reaches the start of a later block.
bool model_overlaps(const std::vector<ModelBlock>& list) {
  for (size_t i = 0; i + 1 < list.size(); ++i) {
    if (list[i + 1].start - list[i].start < 32) return true;
  }
  return false;
}

TEST_F(BufferStore, BlockBoundariesFollowFirstFitWhereBlocksDoNotReachIntoEachOther) {
  std::srand(4321);
  int compared = 0;
  for (int scenario = 0; scenario < 200; ++scenario) {
    reset_buffer_quietly();
    std::vector<ModelBlock> model;
    uint32_t cursor = 0x4000 + uint32_t(std::rand() % 64);
    for (int step = 0; step < 40; ++step) {
      uint32_t address;
      switch (std::rand() % 4) {
        case 0:  // rewrite somewhere near what is there
          address = model.empty() ? cursor : model[size_t(std::rand()) % model.size()].start +
                                                 uint32_t(std::rand() % 40);
          break;
        case 1:  // far below or above
          address = cursor + 200 - uint32_t(std::rand() % 400);
          break;
        default:  // ascending with a small gap
          address = cursor + uint32_t(std::rand() % 12);
          break;
      }
      const uint32_t count = 1 + uint32_t(std::rand() % 70);
      std::vector<uint8_t> data;
      for (uint32_t i = 0; i < count; ++i) data.push_back(uint8_t(std::rand()));
      const uint8_t fill = std::rand() % 3 == 0 ? 0x00 : 0xFF;
      std::vector<ModelBlock> next = model;
      model_write(next, address, data.data(), count, fill);
      if (model_overlaps(next)) continue;  // the plain rules would shadow data here
      model = next;
      ASSERT_EQ(buffer_write(address, data.data(), count, fill), 1);
      cursor = address + count;

      const BufferBlock* b = buffer_first_block();
      for (const ModelBlock& m : model) {
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(b->start_address, m.start) << "scenario " << scenario << " step " << step;
        ASSERT_EQ(b->length, m.length) << std::hex << m.start;
        ASSERT_EQ(std::memcmp(b->data, m.data, m.length), 0) << std::hex << m.start;
        b = b->next;
      }
      ASSERT_EQ(b, nullptr);
      ++compared;
    }
  }
  EXPECT_GT(compared, 2000);
}

TEST_F(BufferStore, AllocationFailureKeepsWhatWasStored) {
  buffer_fail_allocations_after(2);  // one block with its data area
  EXPECT_EQ(write_bytes(0x1000, bytes_from(0, 40)), 0);
  EXPECT_EQ(block_layout(), (Layout{{0x1000, 32}}));
  buffer_fail_allocations_after(1);  // the block, but not its data area
  EXPECT_EQ(write_bytes(0x3000, bytes_from(0, 1)), 0);
  EXPECT_EQ(block_layout(), (Layout{{0x1000, 32}}));
  buffer_fail_allocations_after(-1);
  EXPECT_EQ(write_bytes(0x1000, bytes_from(0, 40)), 1);
}

TEST_F(BufferStore, DetachAndAttachRestoreTheListExactly) {
  write_bytes(0x1010, bytes_from(0, 16));
  write_bytes(0x1000, bytes_from(0x40, 16));
  const Layout before = block_layout();
  BufferBlock* saved = buffer_detach();
  EXPECT_TRUE(buffer_is_empty());
  uint8_t v;
  EXPECT_EQ(buffer_get_byte(0x1000, &v), 0);
  write_bytes(0x1008, bytes_from(0x99, 64));
  buffer_attach(saved);  // what the buffer held meanwhile is freed
  EXPECT_EQ(block_layout(), before);
  EXPECT_EQ(byte_at(0x1008), 0x48);
}

TEST_F(BufferStore, ClearIsAFramedCommandEvenWhenEmpty) {
  buffer_clear();
  EXPECT_EQ(pane_.pane().text, "COMMAND: Clear buffer\r\r\nCOMMAND DONE\r\r\n");
  write_bytes(0x1000, bytes_from(0, 100));
  buffer_clear();
  EXPECT_TRUE(buffer_is_empty());
  EXPECT_EQ(buffer_first_block(), nullptr);
  uint8_t v;
  EXPECT_EQ(buffer_get_byte(0x1000, &v), 0);
}

}  // namespace

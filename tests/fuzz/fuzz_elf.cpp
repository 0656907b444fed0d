// Fuzzes the ELF reader: any input must be read without a crash and either refused with a
// problem text and nothing taken from it, or taken apart into segments that lie within the
// input, below 2^32 and apart from each other, and symbols whose names lie within the string
// table, which lies within the input; every symbol with one value must stand for that value as
// an address.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "buffer/elf_reader.h"
#include "buffer/symbols.h"

namespace {

void check_segments(const ElfImage& image, size_t size) {
  for (size_t i = 0; i < image.segments.size(); ++i) {
    const ElfSegment& s = image.segments[i];
    if (s.size == 0 || uint64_t(s.offset) + s.size > size) std::abort();
    if (uint64_t(s.address) + s.size > (uint64_t(1) << 32)) std::abort();
    for (size_t j = 0; j < i; ++j) {
      const ElfSegment& t = image.segments[j];
      if (uint64_t(s.address) < uint64_t(t.address) + t.size &&
          uint64_t(t.address) < uint64_t(s.address) + s.size)
        std::abort();
    }
  }
}

void check_symbols(const ElfImage& image, const uint8_t* data, size_t size) {
  if (uint64_t(image.strtab_offset) + image.strtab_size > size) std::abort();
  const char* strings = reinterpret_cast<const char*>(data) + image.strtab_offset;
  for (const ElfSymbol& s : image.symbols) {
    if (s.name.empty() || s.name_offset >= image.strtab_size) std::abort();
    if (s.name.size() >= image.strtab_size - s.name_offset) std::abort();  // its NUL is inside
    if (std::memcmp(strings + s.name_offset, s.name.c_str(), s.name.size() + 1) != 0) std::abort();
  }
  const SymbolTable table = symbol_table_from_elf(image);
  for (const auto& entry : table.values) {
    const std::string text = entry.first + "+0";
    if (entry.second.size() != 1 || table.values.count(text)) continue;
    const AddressLookup r = look_up_address(text, table);
    if (!r.ok || r.address != entry.second[0]) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ElfImage image = elf_read(data, size);
  if (!image.ok) {
    if (image.problem.empty() || !image.segments.empty() || !image.symbols.empty()) std::abort();
    return 0;
  }
  if (!elf_has_magic(data, size) || !image.problem.empty()) std::abort();
  check_segments(image, size);
  check_symbols(image, data, size);
  return 0;
}

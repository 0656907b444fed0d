#include "buffer/elf_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The ELF32 layout, as far as it is read.
constexpr size_t kHeaderSize = 52;
constexpr size_t kProgramHeaderSize = 32;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kSymbolSize = 16;
constexpr uint8_t kClass32 = 1;
constexpr uint8_t kDataBigEndian = 2;
constexpr uint8_t kVersionCurrent = 1;
constexpr uint16_t kTypeExecutable = 2;
constexpr uint32_t kSegmentLoad = 1;        // PT_LOAD
constexpr uint32_t kSectionSymbols = 2;     // SHT_SYMTAB
constexpr uint32_t kSectionStrings = 3;     // SHT_STRTAB
constexpr uint16_t kIndexUndefined = 0;     // SHN_UNDEF
constexpr uint16_t kIndexCommon = 0xFFF2;   // SHN_COMMON
constexpr uint16_t kProgramHeadersExtended = 0xFFFF;  // PN_XNUM
constexpr uint8_t kSymbolSection = 3;       // STT_SECTION
constexpr uint8_t kSymbolFile = 4;          // STT_FILE
constexpr uint64_t kAddressSpaceEnd = uint64_t(1) << 32;

uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// True when `count` entries of `entry_size` bytes from `offset` on lie within the file.
// Computed in 64 bits: none of the 32-bit fields can overflow it.
bool within(uint64_t offset, uint64_t count, uint64_t entry_size, size_t size) {
  return offset <= size && count * entry_size <= size - offset;
}

ElfImage refuse(std::string problem) {
  ElfImage image;
  image.problem = std::move(problem);
  return image;
}

std::string number(const char* what, unsigned long value) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %lu", what, value);
  return text;
}

std::string hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lX", value);
  return text;
}

// The header's identification and kind; an empty text when the file is one this reads.
std::string check_header(const uint8_t* d) {
  if (d[4] != kClass32) return "Unsupported ELF file (" + number("class", d[4]) + ", not 32-bit)";
  if (d[5] != kDataBigEndian)
    return "Unsupported ELF file (" + number("data encoding", d[5]) + ", not big-endian)";
  if (d[6] != kVersionCurrent || be32(d + 20) != kVersionCurrent)
    return "Unsupported ELF file (" + number("version", d[6]) + ")";
  const uint16_t machine = be16(d + 18);
  if (machine != kElfMachine68HC12 && machine != kElfMachine68HC11)
    return "Unsupported ELF file (" + number("machine", machine) + ", not 68HC12 or 68HC11)";
  const uint16_t type = be16(d + 16);
  if (type != kTypeExecutable)
    return "Unsupported ELF file (" + number("type", type) +
           ", not an executable: link it first)";
  return "";
}

// The loadable segments; an empty text when they are sound.
std::string read_segments(const uint8_t* d, size_t size, ElfImage* image) {
  const uint32_t phoff = be32(d + 28);
  const uint16_t phentsize = be16(d + 42);
  const uint16_t phnum = be16(d + 44);
  if (phnum == 0) return "";
  if (phnum == kProgramHeadersExtended)
    return "Unsupported ELF file (extended program header numbering)";
  if (phentsize != kProgramHeaderSize)
    return "Unsupported ELF file (" + number("program header size", phentsize) + ")";
  if (!within(phoff, phnum, kProgramHeaderSize, size))
    return "Truncated ELF file (program headers)";
  for (uint32_t i = 0; i < phnum; ++i) {
    const uint8_t* ph = d + phoff + i * kProgramHeaderSize;
    const uint32_t offset = be32(ph + 4);
    const uint32_t paddr = be32(ph + 12);
    const uint32_t filesz = be32(ph + 16);
    if (be32(ph) != kSegmentLoad || filesz == 0) continue;
    if (!within(offset, filesz, 1, size))
      return "Truncated ELF file (" + number("segment", i) + " ends past the end of the file)";
    if (uint64_t(paddr) + filesz > kAddressSpaceEnd)
      return "Unsupported ELF file (" + number("segment", i) + " runs past address 0xFFFFFFFF)";
    ElfSegment s;
    s.address = paddr;
    s.offset = offset;
    s.size = filesz;
    image->segments.push_back(s);
  }
  // Two segments over one address would make what is programmed depend on their order.
  std::vector<ElfSegment> sorted = image->segments;
  std::sort(sorted.begin(), sorted.end(),
            [](const ElfSegment& a, const ElfSegment& b) { return a.address < b.address; });
  for (size_t i = 1; i < sorted.size(); ++i) {
    if (uint64_t(sorted[i - 1].address) + sorted[i - 1].size > sorted[i].address)
      return "Damaged ELF file (segments overlap at " + hex(sorted[i].address) + ")";
  }
  return "";
}

// The section header `index` (already known to lie within the file).
const uint8_t* section(const uint8_t* d, uint32_t shoff, uint32_t index) {
  return d + shoff + index * kSectionHeaderSize;
}

// The symbol table and its strings; an empty text when they are sound. A file without one
// (stripped) has no symbols.
std::string read_symbols(const uint8_t* d, size_t size, ElfImage* image) {
  const uint32_t shoff = be32(d + 32);
  const uint16_t shentsize = be16(d + 46);
  const uint16_t shnum = be16(d + 48);
  if (shnum == 0) {
    // More sections than the field holds put the count in section 0's header.
    if (shoff != 0) return "Unsupported ELF file (extended section numbering)";
    return "";
  }
  if (shentsize != kSectionHeaderSize)
    return "Unsupported ELF file (" + number("section header size", shentsize) + ")";
  if (!within(shoff, shnum, kSectionHeaderSize, size))
    return "Truncated ELF file (section headers)";
  uint32_t symtab = 0;
  for (uint32_t i = 1; i < shnum && symtab == 0; ++i)
    if (be32(section(d, shoff, i) + 4) == kSectionSymbols) symtab = i;
  if (symtab == 0) return "";

  const uint8_t* sh = section(d, shoff, symtab);
  const uint32_t sym_offset = be32(sh + 16), sym_size = be32(sh + 20);
  const uint32_t link = be32(sh + 24), entsize = be32(sh + 36);
  if (entsize != kSymbolSize)
    return "Unsupported ELF file (" + number("symbol size", entsize) + ")";
  if (sym_size % kSymbolSize != 0) return "Damaged ELF file (symbol table size)";
  if (!within(sym_offset, sym_size, 1, size)) return "Truncated ELF file (symbol table)";
  if (link == 0 || link >= shnum || be32(section(d, shoff, link) + 4) != kSectionStrings)
    return "Damaged ELF file (the symbol table names no string table)";
  const uint8_t* st = section(d, shoff, link);
  const uint32_t str_offset = be32(st + 16), str_size = be32(st + 20);
  if (!within(str_offset, str_size, 1, size)) return "Truncated ELF file (string table)";
  image->strtab_offset = str_offset;
  image->strtab_size = str_size;
  const char* strings = reinterpret_cast<const char*>(d + str_offset);

  const uint32_t count = sym_size / kSymbolSize;
  for (uint32_t i = 1; i < count; ++i) {  // entry 0 is the reserved null symbol
    const uint8_t* sym = d + sym_offset + i * kSymbolSize;
    const uint32_t name = be32(sym);
    const uint32_t value = be32(sym + 4);
    const uint8_t type = sym[12] & 0x0F;
    const uint16_t shndx = be16(sym + 14);
    if (name == 0 || shndx == kIndexUndefined || shndx == kIndexCommon) continue;
    if (type == kSymbolSection || type == kSymbolFile) continue;
    if (name >= str_size)
      return "Damaged ELF file (" + number("symbol", i) + ": name outside the string table)";
    const void* end = std::memchr(strings + name, '\0', str_size - name);
    if (!end)
      return "Damaged ELF file (" + number("symbol", i) + ": name not ended in the string table)";
    ElfSymbol s;
    s.name.assign(strings + name, static_cast<const char*>(end));
    if (s.name.empty()) continue;
    s.value = value;
    s.name_offset = name;
    image->symbols.push_back(std::move(s));
  }
  return "";
}

}  // namespace

bool elf_has_magic(const uint8_t* data, size_t size) {
  return size >= 4 && data[0] == 0x7F && data[1] == 'E' && data[2] == 'L' && data[3] == 'F';
}

bool elf_file_has_magic(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  uint8_t magic[4];
  const size_t got = std::fread(magic, 1, sizeof magic, f);
  std::fclose(f);
  return elf_has_magic(magic, got);
}

ElfImage elf_read(const uint8_t* data, size_t size) {
  if (!elf_has_magic(data, size)) return refuse("Not an ELF file");
  if (size < kHeaderSize) return refuse("Truncated ELF file (header)");
  std::string problem = check_header(data);
  if (!problem.empty()) return refuse(problem);
  ElfImage image;
  image.machine = be16(data + 18);
  image.entry = be32(data + 24);
  problem = read_segments(data, size, &image);
  if (problem.empty()) problem = read_symbols(data, size, &image);
  if (!problem.empty()) return refuse(problem);
  image.ok = true;
  return image;
}

ElfImage elf_read_file(const char* path, std::vector<uint8_t>* bytes) {
  bytes->clear();
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return refuse("Cannot open");
  // Read in pieces up to the limit rather than trusting a size asked for beforehand: the file
  // may be growing, or not a plain file.
  uint8_t piece[1 << 16];
  bool too_large = false;
  size_t got = 0;
  while ((got = std::fread(piece, 1, sizeof piece, f)) > 0) {
    if (bytes->size() + got > kElfMaxFileBytes) {
      too_large = true;
      break;
    }
    bytes->insert(bytes->end(), piece, piece + got);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (too_large) {
    bytes->clear();
    return refuse("ELF file too large (more than " + std::to_string(kElfMaxFileBytes >> 20) +
                  " MiB)");
  }
  if (failed) {
    bytes->clear();
    return refuse("Cannot read");
  }
  return elf_read(bytes->data(), bytes->size());
}

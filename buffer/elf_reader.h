// The one reading rule for the ELF files the GNU m68hc11/m68hc12 toolchain links
// (m68hc11-ld -m m68hc12elf): 32-bit, big-endian executables for the 68HC12 (machine 53) or
// the 68HC11 (machine 70). A file is recognised by its magic, never by its name.
//
// What is taken from a file:
//   - its loadable segments (PT_LOAD with a file size above 0), each at its load address
//     (p_paddr). m68hc11-objcopy -O srec writes every section at its load address too, so the
//     bytes read here are the bytes the S-record made from the same file holds, at the same
//     addresses: both program identically. A segment's memory beyond its file size (.bss) is
//     not data of the image;
//   - its symbol table (.symtab with the string table it links to): every defined symbol's
//     name and value, as m68hc11-nm lists them (section and file symbols, undefined and
//     common ones are left out).
// The file is taken apart from its bytes in memory, and every offset, size and count is
// checked against them before it is used, so a damaged or hostile file is refused with one
// problem text and never read outside its bytes. It knows nothing of the buffer or the
// message pane, as the S-record reader does not.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The machine numbers of the ELF header that are read.
constexpr uint16_t kElfMachine68HC12 = 53;
constexpr uint16_t kElfMachine68HC11 = 70;

// The largest file read: an image with its debugging information is a few MiB.
constexpr uint64_t kElfMaxFileBytes = uint64_t(128) << 20;

// Bytes of the file `size` bytes long from `offset` on are loaded at `address`.
struct ElfSegment {
  uint32_t address = 0;  // the load address, p_paddr
  uint32_t offset = 0;   // where its bytes are in the file
  uint32_t size = 0;     // how many there are (above 0)
};

struct ElfSymbol {
  std::string name;          // never empty
  uint32_t value = 0;
  uint32_t name_offset = 0;  // where the name begins in the string table
};

struct ElfImage {
  bool ok = false;
  // When !ok, what is wrong: "Not an ELF file", "Truncated ELF file (...)", "Unsupported ELF
  // file (...)", "Damaged ELF file (...)", and for elf_read_file also "Cannot open",
  // "Cannot read" and "ELF file too large (...)".
  std::string problem;
  uint16_t machine = 0;
  uint32_t entry = 0;
  std::vector<ElfSegment> segments;  // in the order of the program headers; disjoint
  std::vector<ElfSymbol> symbols;    // defined symbols, in the order of the symbol table
  // Where the string table of the symbols lies in the file (both 0 without a symbol table).
  uint32_t strtab_offset = 0;
  uint32_t strtab_size = 0;
};

// True when the bytes begin with the ELF magic (0x7F 'E' 'L' 'F').
bool elf_has_magic(const uint8_t* data, size_t size);
// True when the file can be opened and begins with the ELF magic.
bool elf_file_has_magic(const char* path);

// Takes the file's bytes apart. The segments refer to the bytes, which the caller keeps.
ElfImage elf_read(const uint8_t* data, size_t size);

// Reads the whole file into *bytes (at most kElfMaxFileBytes) and takes it apart.
ElfImage elf_read_file(const char* path, std::vector<uint8_t>* bytes);

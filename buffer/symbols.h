// Symbols of a linked program, and addresses written with them.
//
// Wherever a command takes a target address, the engineer may write it as the tool has always
// read addresses (hexadecimal digits, no prefix: "1000", "3C8000") or by the name the program
// gives it, with a hexadecimal offset: "counter", "table+1E". The names are the defined symbols
// of an ELF file (buffer/elf_reader.h), with the values m68hc11-nm shows.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "buffer/elf_reader.h"

struct SymbolTable {
  // Every name with its distinct values in the order met: one value for nearly every name,
  // more when local symbols of several object files share a name.
  std::map<std::string, std::vector<uint32_t>> values;
};

// The table of an ELF image's defined symbols.
SymbolTable symbol_table_from_elf(const ElfImage& image);

// The symbols of the ELF file `path`: true and *table; false and *problem ("Cannot open",
// "Not an ELF file", "Truncated ELF file (...)", ...) when it cannot be read.
bool load_symbol_file(const char* path, SymbolTable* table, std::string* problem);

// What an address text stands for.
struct AddressLookup {
  bool ok = false;
  uint32_t address = 0;
  std::string problem;  // when !ok: what is wrong, naming the text
};

// Reads an address: hexadecimal digits (one to eight, leading zeros aside), a symbol, or
// either followed by "+OFFSET" with a hexadecimal offset. A text that is both a number and a
// symbol's name ("cafe") is refused standing alone, with the way to write either ("cafe+0" is
// the symbol, "0cafe" the number); so is a name defined with several values, an unknown name,
// and an address past 0xFFFFFFFF.
AddressLookup look_up_address(const std::string& text, const SymbolTable& table);

// The same, as a yes/no with the address.
bool resolve_address(const std::string& text, const SymbolTable& table, uint32_t* address);

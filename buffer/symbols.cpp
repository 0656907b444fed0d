#include "buffer/symbols.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

// Hexadecimal digits only, at most eight of them after any leading zeros: the numbers the
// commands have always taken, and the same with a 0 put in front to tell them from a symbol.
bool read_hex_number(const std::string& text, uint32_t* value) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  const size_t first = std::min(text.find_first_not_of('0'), text.size());
  if (text.size() - first > 8) return false;
  *value = static_cast<uint32_t>(std::strtoul(text.c_str() + first, nullptr, 16));
  return true;
}

std::string hex_text(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%X", unsigned(value));
  return text;
}

AddressLookup found(uint32_t address) {
  AddressLookup r;
  r.ok = true;
  r.address = address;
  return r;
}

AddressLookup refused(std::string problem) {
  AddressLookup r;
  r.problem = std::move(problem);
  return r;
}

// The value of a symbol met by name; refused when it has several.
AddressLookup symbol_value(const std::string& name, const std::vector<uint32_t>& values) {
  if (values.size() == 1) return found(values[0]);
  std::string list;
  for (uint32_t v : values) list += (list.empty() ? "" : ", ") + hex_text(v);
  return refused("Symbol '" + name + "' has several values (" + list + ")");
}

// An address without offset: a number or a symbol. Standing alone, a text that is both is
// refused; before an offset (symbol_first) it is the symbol, which is how one is written.
AddressLookup look_up_base(const std::string& text, const SymbolTable& table,
                           bool symbol_first) {
  uint32_t number = 0;
  const bool is_number = read_hex_number(text, &number);
  const auto symbol = table.values.find(text);
  if (symbol_first && symbol != table.values.end()) return symbol_value(text, symbol->second);
  if (is_number && symbol != table.values.end())
    return refused("'" + text + "' is both a hexadecimal address and a symbol: write " + text +
                   "+0 for the symbol, 0" + text + " for the address");
  if (is_number) return found(number);
  if (symbol != table.values.end()) return symbol_value(text, symbol->second);
  if (table.values.empty())
    return refused("'" + text + "' is not a hexadecimal address, and there are no symbols "
                   "(an ELF file or --symbols FILE gives them)");
  return refused("'" + text + "' is neither a hexadecimal address nor a symbol");
}

}  // namespace

SymbolTable symbol_table_from_elf(const ElfImage& image) {
  SymbolTable table;
  for (const ElfSymbol& s : image.symbols) {
    std::vector<uint32_t>& values = table.values[s.name];
    if (std::find(values.begin(), values.end(), s.value) == values.end())
      values.push_back(s.value);
  }
  return table;
}

bool load_symbol_file(const char* path, SymbolTable* table, std::string* problem) {
  std::vector<uint8_t> bytes;
  const ElfImage image = elf_read_file(path, &bytes);
  if (!image.ok) {
    *problem = image.problem;
    return false;
  }
  *table = symbol_table_from_elf(image);
  return true;
}

AddressLookup look_up_address(const std::string& text, const SymbolTable& table) {
  if (text.empty()) return refused("No address");
  // A name holding '+' is taken whole before the text is split at its last '+'.
  const size_t plus = text.rfind('+');
  if (plus == std::string::npos || table.values.count(text)) return look_up_base(text, table, false);
  const std::string base_text = text.substr(0, plus);
  const std::string offset_text = text.substr(plus + 1);
  uint32_t offset = 0;
  if (!read_hex_number(offset_text, &offset))
    return refused("'" + offset_text + "' in '" + text + "' is not a hexadecimal offset");
  if (base_text.empty()) return refused("No address before the offset in '" + text + "'");
  AddressLookup base = look_up_base(base_text, table, true);
  if (!base.ok) return base;
  if (uint64_t(base.address) + offset > 0xFFFFFFFFu)
    return refused("'" + text + "' lies past address FFFFFFFF");
  return found(base.address + offset);
}

bool resolve_address(const std::string& text, const SymbolTable& table, uint32_t* address) {
  const AddressLookup r = look_up_address(text, table);
  if (r.ok) *address = r.address;
  return r.ok;
}

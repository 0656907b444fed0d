// The simulated library's reading of Motorola S-record files, by the tool's own rule
// (buffer/srec_reader.h): a file the tool's reader refuses is refused here too, as a whole,
// before anything is programmed or compared.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SimRecord {
  uint32_t address = 0;
  std::vector<uint8_t> data;
  long line = 0;  // 1-based line number in the file
};

struct SimSrecFile {
  std::vector<SimRecord> records;  // data records in file order
  // Empty when the whole file could be used; else what is wrong with its first bad line, in
  // the tool's words ("Checksum error", "Data after the end record", ...).
  std::string error;
  long error_line = 0;
  // Address of the record that could not be used: its own address field where that can be
  // read, else the address that follows the last good record.
  uint32_t error_address = 0;
  // The file ended without an end record (it may have been cut short); its records are used.
  bool no_end_record = false;
};

// Reads the records of text (the whole file).
SimSrecFile sim_srec_parse(const std::string& text);
// Reads a file; a file that cannot be opened gives the error "cannot open".
SimSrecFile sim_srec_read_file(const char* path);

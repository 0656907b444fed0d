// The simulated library's own reader of Motorola S-record files (S0 header, S1/S2/S3 data,
// S5/S6 counts, S7/S8/S9 ends).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SimRecord {
  uint32_t address = 0;
  std::vector<uint8_t> data;
  int line = 0;  // 1-based line number in the file
};

struct SimSrecFile {
  std::vector<SimRecord> records;  // data records in file order
  std::string error;               // empty when the whole file was read
  int error_line = 0;
  // Address of the record that could not be read: its own address field where that can be
  // read, else the address that follows the last good record.
  uint32_t error_address = 0;
};

// Reads the records of text (the whole file). Stops at the first bad line, keeping the records
// before it; lines after an S7/S8/S9 end record, or a line starting "SX" or "S<TAB>", are not
// read.
SimSrecFile sim_srec_parse(const std::string& text);
// Reads a file; a file that cannot be opened gives the error "cannot open".
SimSrecFile sim_srec_read_file(const char* path);

// The one reading rule for Motorola S-record files. The tool's reader (srec_read, which stores
// into the buffer) and the simulated adapter library's file calls (bdx_FlashWriteFile,
// bdx_FlashVerifyFile) both take a file apart with it, so that a file one of them refuses the
// other refuses too, for the same line. It knows nothing of the buffer or the message pane:
// the simulated library is built with this file and none of the tool's others.
//
// A file is a series of lines, each ending at LF, CR or CR LF:
//   - blank lines are skipped; S0 headers are checked as records are and then skipped;
//   - S1, S2 and S3 are data records with 2, 3 and 4 address bytes;
//   - S5 and S6 count the data records before them; a matching one as the last record ends
//     the file as an end record does (srec_cat writes no S9 when it has no start address);
//   - S7, S8, S9 (and a line beginning "SX") end the file: after them only blank lines (and
//     the DOS end-of-file mark) may follow;
//   - every other line, lower-case "s" lines included, is an unsupported record.
// A record's count must be its length (address, data and checksum bytes), its checksum the
// ones' complement of the sum of its count, address and data bytes, and its data must end at
// address 0xFFFFFFFF at the latest. A line is read only as far as the longest record needs
// (514 characters, blanks after it skipped), so a stream without line ends is never held whole.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The longest line a record can need: "S", the type, the count and 255 counted bytes (address,
// data and checksum), two digits each.
constexpr size_t kSrecMaxLineChars = 4 + 2 * 255;

// What the next piece of a file is.
enum class SrecItemKind {
  Data,       // a data record: address and data
  Problem,    // a line that cannot be used; reading goes on with the next one
  Stop,       // a line that ends reading (an unsupported record, an unreadable address, a
              // line too long, a read error): nothing after it is read
  AfterEnd,   // a line that is not blank after the end record (two files put together)
  EndRecord,  // the end record, followed by nothing but blank lines
  EndOfFile,  // the stream ended without an end record: the file may have been cut short
};

struct SrecItem {
  SrecItemKind kind = SrecItemKind::EndOfFile;
  long line = 0;              // the line's number, from 1
  uint32_t address = 0;       // Data; Problem when has_address
  bool has_address = false;   // the line's address field could be read
  std::vector<uint8_t> data;  // Data
  // Problem, Stop and AfterEnd: what is wrong, as "Checksum error", "Byte count error",
  // "Cannot read data", "Address out of range", "Record count mismatch", "Unsupported record",
  // "Cannot read address", "Line too long", "Read error" or "Data after the end record".
  const char* problem = nullptr;
};

// The reader's state: where its lines come from and what it has seen.
struct SrecReader {
  std::FILE* in = nullptr;        // the stream read, or
  const char* text = nullptr;     // the text in memory read (text_size bytes)
  size_t text_size = 0;
  size_t text_pos = 0;
  char chunk[1 << 16];            // read in large pieces: a getc per character costs more
  size_t pos = 0;
  size_t len = 0;
  bool end = false;
  std::string line;
  long line_number = 0;
  long data_records = 0;          // for S5/S6, lines with a data record's type included
  bool after_count = false;       // the last record read was a matching S5/S6
  bool over = false;              // reading ended; `last` is what it ended with
  SrecItemKind last = SrecItemKind::EndOfFile;
};

// Starts reading an open stream (which the caller closes afterwards), or text in memory.
void srec_reader_open(SrecReader& r, std::FILE* in);
void srec_reader_open_text(SrecReader& r, const char* text, size_t size);

// Reads up to the next data record or problem and returns its kind (also in item.kind).
// Reading is over after Stop, AfterEnd, EndRecord and EndOfFile; further calls give that kind
// again.
SrecItemKind srec_next(SrecReader& r, SrecItem& item);

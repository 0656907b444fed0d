// Motorola S-record files: reading into the buffer and writing the buffer out.
// Both work on a stream the caller has opened in text mode and closes afterwards.
#pragma once
#include <cstdio>

// Reads records until the stream ends or a terminator (S7, S8, S9) is met, storing the data
// of S1, S2 and S3 records into the buffer with fill byte 0xFF. S0 lines and blank lines are
// skipped; S5 and S6 are checked against the number of data records read before them.
// Returns 0 when every line was read and stored, -1 otherwise. Each problem is reported in
// the message pane with its line number:
//   - an unsupported record, an unreadable address, a line longer than any record
//     ("Line too long"), a read error or a full buffer stops reading ("Buffer Error: cannot
//     add" for the last);
//   - a line with unreadable data, a count that is not the record's length ("Byte count
//     error"), a wrong checksum, or data that would run past address 0xFFFFFFFF ("Address out
//     of range") stores nothing, and a count record that does not match is only reported;
//     reading goes on with the next line;
//   - lines after the terminator are not read, but one that is not blank is reported ("Data
//     after the end record in line N ignored").
// Whatever was stored before a stop stays in the buffer.
int srec_read(FILE* in);
// The same; *no_end_record is set when the stream ended without an end record, as a file cut
// short in a copy or a download does (some tools write none, so such a file is read all the
// same).
int srec_read(FILE* in, bool* no_end_record);

// Writes every buffer block as S1/S2/S3 records of at most 16 data bytes (a record is started
// at every block start, every 16 bytes of a block, at 0x4000, 0x8000 and 0xC000, and when a
// record is full), then the terminator S9030000FC. Stream errors are left for the caller to
// check with ferror.
void srec_write(FILE* out);

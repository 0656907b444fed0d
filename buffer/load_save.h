// Loading S-record and ELF files into the buffer and saving the buffer to S-record files, each
// framed as a command in the message pane.
#pragma once

// "Load to buffer": merges the file's records into the buffer. Returns 1 and ends with
// "COMMAND DONE" when the whole file was read and stored; 0 when the file cannot be opened or
// a line of it could not be used (the problem lines name each one; records read before a stop
// and good lines stay in the buffer). A file that ends without an end record is loaded all the
// same, with the line "No end record in '<path>': the file may be cut short".
// A plain file beginning with the ELF magic is loaded as an ELF file instead (buffer/elf_reader.h):
// its loadable segments at their load addresses, as the S-record m68hc11-objcopy makes of it
// holds them, with the same frame and "Loaded file '<path>'" (and "No loadable segments in
// '<path>'" when it has none). A file the ELF reader refuses stores nothing: its problem and
// "Errors in file '<path>'", and 0.
int load_file_into_buffer(const char* path);

// "Save buffer": writes the whole buffer to the file. Returns 1 and
// ends with "COMMAND DONE" when the file was written completely; 0 when the buffer is empty
// (no file is created), or the file cannot be created or written. The file is written under a
// temporary name beside it that replaces it only once it is completely written, so a failing
// write (a full disk) leaves an old file as it was and no temporary file behind; a device or
// pipe is written to directly.
int save_buffer_to_file(const char* path);

// True when the file can be opened and read from (a folder, a file without read permission and
// a missing file cannot): what a command checks before it connects anything.
bool file_can_be_read(const char* path);
// True when the S-record file holds at least one data byte in a record that can be used; read
// by the one reading rule, without the buffer or the pane (for a file the adapter library
// reads itself).
bool srec_file_has_data(const char* path);

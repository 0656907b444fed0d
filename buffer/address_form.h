// Banked and linear addresses of HCS12 paged flash in the buffer.
//
// Every pass of the tool works on the banked form: page P's data at (P << 16) + 0x8000 ..
// (P << 16) + 0xBFFF, plus the non-paged windows 0x4000-0x7FFF (page 0x3E) and 0xC000-0xFFFF
// (page 0x3F). Many toolchains and programmers write the linear form instead, where page P's
// byte at window address W lies at P * 0x4000 + (W - 0x8000): pages 0x30-0x3F are then
// 0x0C0000-0x0FFFFF, page 0x3E 0x0F8000 and page 0x3F 0x0FC000.
//
// In a linear file every address from 0x010000 to 0x0FFFFF is flash; addresses below 0x010000
// (registers, RAM, EEPROM and the 16-bit windows) and above 0x0FFFFF are the same in both
// forms. So pages 0x01-0x03 have no linear form (theirs would lie below 0x010000), and neither
// has banked data in 0x010000-0x0FFFFF outside a page's 0x8000-0xBFFF window.
//
// A conversion walks the buffer's blocks once and writes whole runs; its cost follows the
// amount of data, not the span of addresses it covers.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class AddressForm { Banked, Linear };

// "banked" or "linear": true and *form; false for any other text.
bool parse_address_form(const char* text, AddressForm* form);

// The frame "Convert <from> addresses to <to>": moves everything the buffer holds from one form
// into the other. banked -> linear moves the paged windows of pages 0x04-0x3F; with
// windows_as_pages also the non-paged windows 0x4000-0x7FFF and 0xC000-0xFFFF, to page 0x3E's
// and page 0x3F's linear addresses. linear -> banked moves 0x010000-0x0FFFFF to the paged form.
// Ends with a line of the bytes moved and "COMMAND DONE" and returns true; the same forms (and
// no windows_as_pages) change nothing. Fails with the buffer as it was, and no "COMMAND DONE",
// when two source bytes would land on one address (a line "Conflict at A-B: data from X and
// from Y" per overlapping range, with both sources) or when data has no place in the linear
// form (a line per range), or when memory runs out.
bool convert_buffer_addresses(AddressForm from, AddressForm to, bool windows_as_pages);

// "Load to buffer" of a file whose flash is in the given form, then (linear) the conversion to
// banked of everything the buffer holds. True when both succeeded.
bool load_file_in_form(const char* path, AddressForm form);

// True when the buffer holds data in 0x010000-0x0FFFFF outside every page's 0x8000-0xBFFF
// window, which no banked file has: the lowest such address in *first.
bool buffer_looks_linear(uint32_t* first);

// Writes a banked copy of the linear file `path` into a new file in the temporary folder (the
// frames of the load, the conversion and the save). True and its name in *copy_path; false
// when any step failed (nothing is left behind). The buffer is as it was afterwards; the
// caller removes the copy.
bool write_banked_copy(const char* path, std::string* copy_path);

// The banked ranges (first and last address each) that hold what the linear range first..last
// names: the linear flash 0x010000-0x0FFFFF page by page in paged form, every other address as
// it is.
std::vector<std::pair<uint32_t, uint32_t>> linear_range_as_banked(uint32_t first, uint32_t last);

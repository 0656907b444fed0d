// The tool's side of the part's security: the security byte 0xFF0F that programming and erasing
// leave on the part, getting a secured part back, securing one on purpose, and the part's state
// in a few lines. A part whose 0xFF0F holds a secured value (an erased 0xFF included) comes out
// of its next reset secured once flash or EEPROM holds anything, and can then be neither read
// nor debugged: so every flow of the tool leaves the byte unsecured unless asked otherwise.
#pragma once
#include <cstdint>
#include <string>

#include "target/catalogue.h"

// What programming writes at 0xFF0F for an image that holds it.
enum class SecurityMode {
  Unsecure,  // the image's byte with SEC = 10, its other bits kept (the default everywhere)
  Image,     // exactly as the image holds it
};
// "unsecure" or "image"; false for anything else.
bool parse_security_mode(const char* text, SecurityMode* mode);

// The byte programming writes for an image byte.
uint8_t security_byte_to_write(uint8_t image, SecurityMode mode);
// The line for an image byte programmed as written: "Security byte 0xFF0F: image 0x00 written as
// 0xFE; use ..." when the rule changed it, "The image secures the part: ..." when the byte
// written secures the part; nothing otherwise.
void report_security_byte(uint8_t image, uint8_t written);

// The buffer addresses that hold the security byte: its 16-bit window address and its paged
// twin in page 0x3F.
constexpr int kSecurityByteAddressCount = 2;
uint32_t security_byte_address(int i);

// Programs 0xFF0F := value (the word at 0xFF0E, whose first byte is read and programmed as it
// is). True when the library took it.
bool program_security_byte(uint8_t value);
// After an erase of the sector that holds 0xFF0F: programs 0xFE there (the word 0xFF0E as FF FE,
// nothing to read) and says so ("Security byte set to unsecured (0xFE)"), or names the
// failure. True when it was written.
bool set_security_byte_unsecured();
// After programming that did not write 0xFF0F itself: when the part's byte reads 0xFF (erased),
// sets it to 0xFE as set_security_byte_unsecured does. False when the byte cannot be read or
// written (a line says which).
bool keep_erased_security_byte_unsecured();

// "corvane unsecure": Erase All (reset, flash and EEPROM mass-erased, reset, 0xFF0F := 0xFE),
// then a reset and the check that the part reads unsecured; a line for each step. True only
// when the part is unsecured at the end.
bool unsecure_part(const TargetMemoryMap& map);

// The four 16-bit words of a backdoor key.
struct BackdoorKey {
  uint16_t words[4] = {};
};
// "0123456789ABCDEF" (16 hex digits, blanks or colons between words allowed): false for another
// length, a bad digit, or a word of 0x0000 or 0xFFFF, which are not valid keys.
bool parse_backdoor_key(const char* text, BackdoorKey* key);
// "corvane secure": programs the security byte to a secured value (SEC = 00, the other bits
// kept; with a key, KEYEN = 10 and the key at 0xFF00-0xFF07) where the flash bits allow it
// without an erase; otherwise names the bits that would need one and programs nothing. True
// when programmed; the part is secured from its next reset on.
bool secure_part(const BackdoorKey* key);

// "corvane status": identification, security, protection per flash block and of the EEPROM, the
// BDM status bits and the paging registers, a line each. False when they could not be read.
bool report_part_status(const TargetMemoryMap& map, int family);

// For the library's file calls (the Programmer, corvane write-file): when the S-record file
// `path` holds 0xFF0F with a value the rule changes, writes a copy with that byte changed into
// the temporary folder, names the change, and returns the copy's name in *copy (the caller
// removes it); *copy stays empty when the file can be used as it is. *holds_byte tells whether
// the file holds 0xFF0F at all. False when the copy could not be written.
bool security_copy_of_file(const char* path, SecurityMode mode, std::string* copy,
                           bool* holds_byte);

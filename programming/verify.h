// Verifying the target against the buffer: the buffer's bytes in the selected regions are read
// back through the adapter library from where programming from the buffer puts them, and
// compared. Used by `corvane verify` and `corvane program --verify`.
#pragma once

// "Verify target": reads back every byte the buffer holds in a selected flash page (16-bit
// windows and paged form, PPAGE written first as the programming pass does), in the EEPROM
// range and in the volatile range (INITEE and INITRM written first), and compares. Bytes outside
// these are counted and named in a line but not compared. Ends with "COMMAND DONE" and returns
// 1 when every compared byte matched and at least one was compared. Otherwise the lines name
// the first differing address with both values and the number of differing bytes, or the
// failing read, and it returns 0.
int verify_target_against_buffer();

// The main window's caption, the tool's status line: product, adapter model, connection with
// port and target clock, and the selected derivative.
#pragma once
#include <cstddef>

struct TitleState {
  int adapter_type;          // 0 R41, 1 R42, 2 R43; anything else names no model
  int connected;             // connected flag
  int port;                  // 0-based serial port index; negative for USB
  int target_clock;          // kHz; -1 = Auto
  int target_known;          // a derivative other than "unknown" is selected
  const char* target_name;   // its name (used only when target_known)
};

// Composes the caption into text (size bytes with terminator; 512 holds every caption) and
// returns text. For example
// "Corvane's Test Bench - Adapter: R41, Connection: COM1, Target Clock: 8,0 MHz, Target MPU: 'MC9S12DG256'".
const char* compose_title(const TitleState& state, char* text, size_t size);

enum { kTitleSize = 512 };

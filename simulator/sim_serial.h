// The files behind the simulated part's serial port SCI0: what its transmitter sends is
// appended to the file BDXSIM_SCI0 names ("-": standard output) as the bytes leave; its
// receiver gets the bytes of the file BDXSIM_SCI0_IN names, read whole when the library loads.
// Portable.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct SimSettings;

struct SimSerialFiles {
  std::FILE* out = nullptr;  // null: what SCI0 sends goes nowhere
  std::string out_name;      // as BDXSIM_SCI0 gives it
  bool out_failed = false;   // a write failed (said once); nothing more is written
  std::vector<uint8_t> in;   // what the receiver gets
};

// The input file is read whole up to this size.
constexpr size_t kSimSerialInputLimit = 16u << 20;

// Opens the output for appending and reads the input as the settings name them; a line per
// problem goes to *problems (the port then sends nowhere or receives nothing).
void sim_serial_open(SimSerialFiles& files, const SimSettings& settings,
                     std::vector<std::string>* problems);
// Appends bytes to the output and flushes it, so that another program reading the file sees
// them; empties bytes. Returns a line when they cannot be written (only the first time).
std::string sim_serial_write(SimSerialFiles& files, std::vector<uint8_t>* bytes);
void sim_serial_close(SimSerialFiles& files);

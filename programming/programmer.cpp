#include "programming/programmer.h"

#include <cstdint>
#include <cstdio>

#include "adapter/bdx.h"
#include "target/catalogue.h"

ProgrammerState g_programmer = {std::string(), true, false, true, 0, 0, 0};

namespace {

const ProgrammerSink* g_sink = nullptr;  // the running run's display

// Every run ends through here, so the tool is never left believing a run is in progress.
struct RunScope {
  explicit RunScope(const ProgrammerSink& sink) {
    g_sink = &sink;
    g_programmer.idle = false;
  }
  ~RunScope() {
    g_sink = nullptr;
    g_programmer.idle = true;
  }
};

void status(const char* text) { g_sink->status(text); }

void status_address(const char* format, uint32_t address) {
  char text[96];
  std::snprintf(text, sizeof text, format, unsigned(address));
  status(text);
}

bool aborted() { return g_programmer.abort_flag != 0; }

}  // namespace

bool programmer_busy() { return !g_programmer.idle; }

void programmer_request_abort() {
  if (programmer_busy()) g_programmer.abort_flag = 1;
}

int count_programmer_lines(const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) return -1;
  char line[512];
  int count = 0;
  while (std::fgets(line, sizeof line, f)) {
    if (line[1] == 'X' || line[1] == '\t') break;
    if (line[1] == '\0') continue;  // a line of a single character
    ++count;
  }
  std::fclose(f);
  return count;
}

int programmer_run(const char* path, const ProgrammerSink& sink) {
  RunScope scope(sink);
  if (!path || !*path) {
    status("No Loadfile specified");
    return 0;
  }
  if (!g_programmer.program_flash && !g_programmer.verify_flash) return 1;
  const int lines = count_programmer_lines(path);
  if (lines < 0) {
    const std::string text = std::string("Can't open '") + path + "'";
    status(text.c_str());
    return 0;
  }
  const uint8_t eeprom_timing = get_timing_value();
  const uint8_t flash_timing = get_timing_value();
  if (eeprom_timing == 0) {
    status("Cannot determine EEPROM timing, please check target setup");
    return 0;
  }
  if (flash_timing == 0) {
    status("Cannot determine Flash timing, please check target setup");
    return 0;
  }
  g_programmer.line_total = lines;
  if (g_programmer.program_flash && g_programmer.verify_flash) g_programmer.line_total *= 2;
  sink.set_range(g_programmer.line_total + 10);
  sink.set_position(0);
  g_programmer.progress_counter = 0;

  sink.deliver_one_message();
  if (aborted()) {
    status("Programming aborted");
    return 0;
  }
  sink.set_position(3);
  uint32_t fail = 0;
  if (g_programmer.program_flash) {
    sink.deliver_one_message();
    if (aborted()) {
      status("Programming aborted");
      return 0;
    }
    status("Programming FLASH");
    if (bdx_FlashWriteFile(flash_timing, eeprom_timing, path, &fail, programmer_progress) != 0) {
      // A library that stops because the user asked it to is not a failing device: the library
      // answers the abort flag with a failure, and "FAILED programming the device" would send
      // the user looking for a fault in the part that is not there.
      if (aborted())
        status("Programming aborted");
      else
        status_address("FAILED programming the device at: 0x%6.6X", fail);
      return 0;
    }
    status("FLASH Programmed");
  }
  if (g_programmer.verify_flash) {
    status("Verifying FLASH");
    if (bdx_FlashVerifyFile(path, &fail, programmer_progress) != 0) {
      if (aborted())
        status("Programming aborted");
      else
        status_address("Veryfy failed at: 0x%6.6X", fail);
      return 0;
    }
    status("FLASH Verified OK!");
  }
  sink.set_position(g_programmer.line_total + 10);
  if (aborted()) {
    status("Programming aborted");
    return 0;
  }
  return 1;
}

int programmer_progress() {
  if (!g_sink) return g_programmer.abort_flag;
  g_sink->deliver_messages();
  // The pump may have ended the run's display (a quit): the abort flag tells the library.
  if (!g_sink) return 1;
  if (g_programmer.progress_counter < g_programmer.line_total) {
    g_programmer.progress_counter = g_sink->step();
    g_sink->repaint();
  }
  g_sink->repaint();
  return g_programmer.abort_flag;
}

std::string display_path(const std::string& path, size_t limit) {
  std::string shown = path;
  if (path.size() > limit && limit >= 12)
    shown = path.substr(0, 4) + "./..../." + path.substr(path.size() - (limit - 12));
  for (char& c : shown) {
    if (c == '\\')
      c = '/';
    else if (c >= 'A' && c <= 'Z')
      c = char(c - 'A' + 'a');
  }
  return shown;
}

int programmer_run_job(const char* path, bool program_flash, bool verify_flash,
                       const ProgrammerSink& sink) {
  g_programmer.program_flash = program_flash;
  g_programmer.verify_flash = verify_flash;
  g_programmer.abort_flag = 0;
  return programmer_run(path, sink);
}

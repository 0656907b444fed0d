#include "programming/programmer.h"

#include <climits>
#include <cstdint>
#include <cstdio>

#include "adapter/bdx.h"
#include "buffer/srec_reader.h"
#include "programming/messages.h"
#include "programming/security.h"
#include "target/catalogue.h"

ProgrammerState g_programmer = {std::string(), true, false, true, 0, 0, 0};

namespace {

const ProgrammerSink* g_sink = nullptr;  // the running run's display

// The file the library is handed: the user's, or a temporary copy with the security byte
// changed by the rule, removed when the run ends.
struct LibraryFile {
  std::string copy;
  ~LibraryFile() {
    if (!copy.empty()) std::remove(copy.c_str());
  }
};

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

static_assert(2 * kMaxProgrammerLines + 10 <= INT_MAX, "the doubled line total overflows");

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The count of pieces of at most 511 characters, as fgets with a 512-byte buffer cuts them,
// read in large chunks: a piece's second character is looked at after the piece has been
// ended with a NUL, so that a piece of one character has a NUL there.
struct PieceCount {
  char piece[512];
  size_t piece_length = 0;
  size_t line_length = 0;  // characters of the current line so far
  long pieces = 0;
  int counted = 0;
  bool stopped = false;    // a piece whose second character is 'X' or a TAB was met
};

// Ends the current piece; false when counting ends with it.
bool end_piece(PieceCount& c, long max_lines, LineCount* result) {
  c.piece[c.piece_length] = '\0';
  c.piece_length = 0;
  if (c.piece[1] == 'X' || c.piece[1] == '\t') {
    c.stopped = true;
    return false;
  }
  if (c.piece[1] != '\0') ++c.counted;
  if (++c.pieces > max_lines) {
    *result = LineCount::CannotRead;
    return false;
  }
  return true;
}

}  // namespace

LineCount count_programmer_lines(const char* path, int* lines, long max_lines) {
  FILE* f = std::fopen(path, "r");
  if (!f) return LineCount::CannotOpen;
  PieceCount c;
  LineCount result = LineCount::Counted;
  char chunk[1 << 16];
  bool going = true;
  while (going) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, f);
    if (got == 0) {
      if (std::ferror(f)) result = LineCount::CannotRead;
      else if (c.piece_length > 0) end_piece(c, max_lines, &result);
      break;
    }
    for (size_t i = 0; i < got && going; ++i) {
      const char ch = chunk[i];
      c.piece[c.piece_length++] = ch;
      if (ch == '\n') {
        c.line_length = 0;
      } else if (++c.line_length > kSrecMaxLineChars && !blank(ch)) {
        // Longer than any record: not an S-record file, and perhaps without end (/dev/zero).
        result = LineCount::CannotRead;
        going = false;
        break;
      }
      if (ch == '\n' || c.piece_length == sizeof c.piece - 1) going = end_piece(c, max_lines, &result);
    }
  }
  std::fclose(f);
  *lines = c.counted;
  return result;
}

namespace {

// How the steps of a run ended.
enum class RunEnd { Done, Failed, Aborted };

// The steps of a run, the sink installed: every failure but an abort has written its status.
RunEnd run_steps(const char* path, bool program_flash, bool verify_flash, SecurityMode security,
                 const ProgrammerSink& sink) {
  if (!path || !*path) {
    status("No Loadfile specified");
    return RunEnd::Failed;
  }
  if (!program_flash && !verify_flash) return RunEnd::Done;
  int lines = 0;
  const LineCount counted = count_programmer_lines(path, &lines);
  if (counted != LineCount::Counted) {
    const char* what = counted == LineCount::CannotOpen ? "Can't open '" : "Can't read '";
    status((what + std::string(path) + "'").c_str());
    return RunEnd::Failed;
  }
  const uint8_t eeprom_timing = get_timing_value();
  const uint8_t flash_timing = get_timing_value();
  if (eeprom_timing == 0) {
    status(kNoEepromTimingText);
    return RunEnd::Failed;
  }
  if (flash_timing == 0) {
    status(kNoFlashTimingText);
    return RunEnd::Failed;
  }
  g_programmer.line_total = lines;
  if (program_flash && verify_flash) g_programmer.line_total *= 2;
  sink.set_range(g_programmer.line_total + 10);
  sink.set_position(0);
  g_programmer.progress_counter = 0;

  sink.deliver_one_message();
  if (aborted()) return RunEnd::Aborted;
  sink.set_position(3);
  LibraryFile library_file;
  bool holds_security_byte = false;
  if (!security_copy_of_file(path, security, &library_file.copy, &holds_security_byte)) {
    status(("Can't write a copy of '" + std::string(path) + "'").c_str());
    return RunEnd::Failed;
  }
  if (!library_file.copy.empty()) path = library_file.copy.c_str();
  uint32_t fail = 0;
  if (program_flash) {
    sink.deliver_one_message();
    if (aborted()) return RunEnd::Aborted;
    status("Programming FLASH");
    if (bdx_FlashWriteFile(flash_timing, eeprom_timing, path, &fail, programmer_progress) != 0) {
      // A library that stops because the user asked it to is not a failing device: the library
      // answers the abort flag with a failure, and "FAILED programming the device" would send
      // the user looking for a fault in the part that is not there.
      if (aborted()) return RunEnd::Aborted;
      status_address("FAILED programming the device at: 0x%6.6X", fail);
      return RunEnd::Failed;
    }
    // A part left with an erased security byte is secured at its next reset.
    if (!holds_security_byte && !keep_erased_security_byte_unsecured()) {
      status("FAILED programming the security byte");
      return RunEnd::Failed;
    }
    status("FLASH Programmed");
  }
  if (verify_flash) {
    status("Verifying FLASH");
    if (bdx_FlashVerifyFile(path, &fail, programmer_progress) != 0) {
      if (aborted()) return RunEnd::Aborted;
      status_address("Veryfy failed at: 0x%6.6X", fail);
      return RunEnd::Failed;
    }
    status("FLASH Verified OK!");
  }
  sink.set_position(g_programmer.line_total + 10);
  return aborted() ? RunEnd::Aborted : RunEnd::Done;
}

}  // namespace

int programmer_run(const char* path, const ProgrammerSink& sink) {
  const ProgrammerState& boxes = g_programmer;
  return programmer_run_job(path, boxes.program_flash, boxes.verify_flash, sink) ? 1 : 0;
}

bool programmer_run_job(const char* path, bool program_flash, bool verify_flash,
                        const ProgrammerSink& sink, SecurityMode security) {
  g_programmer.abort_flag = 0;
  RunScope scope(sink);
  const RunEnd end = run_steps(path, program_flash, verify_flash, security, sink);
  if (end == RunEnd::Aborted) status("Programming aborted");
  return end == RunEnd::Done;
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

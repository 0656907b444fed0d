// The programmer run: the whole S-record file handed to the adapter library, which programs and
// verifies the flash itself, while the caller's progress display follows the library's progress
// callback. Portable: the run reports through a sink that the caller hands in (the Programmer
// dialog's status line and progress bar, or the console of `corvane write-file`).
#pragma once
#include <string>

#include "programming/security.h"

// What a run shows and how it keeps its caller's windows alive.
struct ProgrammerSink {
  void (*status)(const char* text);     // replaces the status line
  void (*set_range)(int maximum);       // the bar runs 0 .. maximum in steps of 1
  void (*set_position)(int position);
  int (*step)();                        // advances the bar by 1; returns its previous position
  void (*deliver_one_message)();        // hands one pending message to its window
  void (*deliver_messages)();           // hands every pending message to its window
  void (*repaint)();                    // repaints the display at once
};

// The slots by name, one list. PROGRAMMER_SINK_OF(prefix) builds the sink whose every slot is
// the function <prefix>_<slot> (dialog_status, dialog_set_range...): a display that lacks one
// does not compile, and no slot is filled by its position.
#define PROGRAMMER_SINK_SLOTS(X, prefix)                                          \
  X(prefix, status) X(prefix, set_range) X(prefix, set_position) X(prefix, step) \
  X(prefix, deliver_one_message) X(prefix, deliver_messages) X(prefix, repaint)
#define PROGRAMMER_SINK_SLOT_FROM(prefix, slot) sink.slot = prefix##_##slot;
#define PROGRAMMER_SINK_OF(prefix)                                               \
  [] { ProgrammerSink sink{}; PROGRAMMER_SINK_SLOTS(PROGRAMMER_SINK_SLOT_FROM, prefix) \
       return sink; }()

// The do-nothing slots (programming/programmer_stubs.cpp): a status that shows nothing, a bar
// that neither has a range nor moves (its step answers 0), no messages to deliver, nothing to
// repaint; a display without one of these names the do-nothing slot for it.
// quiet_programmer_sink() is the sink made of them all.
void quiet_sink_status(const char* text);
void quiet_sink_set_range(int maximum);
void quiet_sink_set_position(int position);
int quiet_sink_step();
void quiet_sink_deliver_one_message();
void quiet_sink_deliver_messages();
void quiet_sink_repaint();
ProgrammerSink quiet_programmer_sink();

struct ProgrammerState {
  std::string file_path;   // the file to program; kept between runs, empty at start
  bool program_flash;      // "Program FLASH" when the dialog's run started
  bool verify_flash;       // "Verify FLASH" when the dialog's run started
  bool idle;               // no run in progress
  int abort_flag;          // set by Abort (and by quitting the tool during a run)
  int line_total;          // progress units of the run
  int progress_counter;    // last bar position the progress callback saw
};

extern ProgrammerState g_programmer;

// True while a run is in progress: nothing else may talk to the adapter library then.
bool programmer_busy();
// Asks the run in progress to stop at the library's next progress callback.
void programmer_request_abort();

// A run: programs the file's flash (program_flash) and verifies it (verify_flash) through the
// adapter library; true on success, false on failure (the status line says why; "Programming
// aborted" when the abort flag stopped it). The abort flag starts clear; the sink is used until the run
// returns. Every run hands the library the file with the security byte by the rule of
// `security` (the dialog's runs: unsecure), through a temporary copy where that changes the
// byte, and sets an erased security byte on the part to 0xFE after programming a file that
// holds none. The one body of every run, the dialog's and the command line's.
bool programmer_run_job(const char* path, bool program_flash, bool verify_flash,
                        const ProgrammerSink& sink,
                        SecurityMode security = SecurityMode::Unsecure);
// The run behind "&Start": programmer_run_job with the dialog's two check boxes as Start stored
// them in g_programmer; 1 success, 0 failure.
int programmer_run(const char* path, const ProgrammerSink& sink);
// The library's progress callback: delivers every pending message, steps the bar while it has
// not passed the line total, repaints, and returns the abort flag.
int programmer_progress();

// More lines than a 4 GiB file of the shortest records ("S9030000FC" and a line end) holds:
// no real file reaches it, and twice the count (program and verify) and the bar's margin of 10
// still fit an int.
constexpr long kMaxProgrammerLines = static_cast<long>((4LL << 30) / 11);

enum class LineCount {
  Counted,     // *lines holds the count
  CannotOpen,  // the file cannot be opened
  CannotRead,  // a read error, a line longer than any record (a device such as /dev/zero, a
               // binary file), or more than max_lines lines: no S-record file
};

// Progress units of a file into *lines: its lines up to the first one whose second character is
// 'X' or a TAB, not counting lines of a single character (read in pieces of at most 511
// characters, each counting as a line).
LineCount count_programmer_lines(const char* path, int* lines,
                                 long max_lines = kMaxProgrammerLines);

// The display form of a path: whole when it has at most limit characters, otherwise its first
// 4 characters, "./..../." and its last limit - 12; then lower case with forward slashes.
std::string display_path(const std::string& path, size_t limit);

// The message pane: every command reports its progress and errors here as lines.
// The portable operations below frame the text; the pane itself is reached through a seam
// (the Win32 Edit control in the program, an in-memory pane in tests).
#pragma once

struct PaneSeam {
  // Replace the pane's current selection with text (EM_REPLACESEL, not undoable).
  int (*replace_selection)(const char* text);
  // Replace the pane's whole text with empty text (WM_SETTEXT "").
  void (*clear)();
};

// The slots by name, one list. PANE_SEAM_OF(prefix) builds the PaneSeam whose every slot is the
// function <prefix>_<slot> (pane_replace_selection, pane_clear...): a pane that lacks one does
// not compile, and no slot is filled by its position.
#define PANE_SEAM_SLOTS(X, prefix) X(prefix, replace_selection) X(prefix, clear)
#define PANE_SEAM_SLOT_FROM(prefix, slot) seam.slot = prefix##_##slot;
#define PANE_SEAM_OF(prefix) \
  [] { PaneSeam seam{}; PANE_SEAM_SLOTS(PANE_SEAM_SLOT_FROM, prefix) return seam; }()

// The do-nothing slots (app/message_pane_stubs.cpp): text taken and dropped, a clear that
// clears nothing. quiet_pane_seam() is the pane made of them, for a program that reports
// nowhere (benchmarks, fuzz targets).
int quiet_pane_replace_selection(const char* text);
void quiet_pane_clear();
PaneSeam quiet_pane_seam();

// Install the pane; null means there is no pane yet and reported text is lost.
void pane_set_seam(const PaneSeam* seam);
const PaneSeam* pane_get_seam();

extern "C" {
// Inserts the text, then "\r", then "\r\n". Also the adapter library's report callback.
int append_line(const char* text);
}
// append_line of a printf-style formatted text (at most 255 characters).
void append_formatted(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Inserts the text and a single "\r": the next text continues on the same line.
void append_error(const char* text);
// Clears the pane; with a name, appends "COMMAND: <name>".
void begin_command(const char* name);
// Appends "COMMAND DONE".
void end_command();

// The command-line front end's message pane: every pane line goes to standard output as one
// text line. It only prints: whether a command succeeded comes from the command's result, never
// from the lines.
//
// Quiet (--quiet): lines are held as the program's pane would hold them (a new command frame
// clears them) and printed only when the command fails; a command that succeeds prints its
// result lines (stdout_pane_result) or else its last line.
#pragma once
#include <string>
#include <vector>

// Installs the pane.
void stdout_pane_install(bool quiet = false);
bool stdout_pane_quiet();
// A line that is the command's result (a peek row): printed in quiet mode too.
void stdout_pane_result(const char* line);
// In quiet mode, the one line the command prints whether it succeeds or fails (a test run's
// summary), in place of its result or held lines.
void stdout_pane_summary(const std::string& line);
// Every line the pane was given since it was installed, as printed (quiet or not), an
// unfinished one included: a report's copy of the output.
std::vector<std::string> stdout_pane_lines();
// Writes out a pending unfinished line (in quiet mode, the held lines as described above) and
// flushes standard output.
void stdout_pane_finish(bool failed = false);

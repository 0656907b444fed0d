// The command-line front end's message pane: every pane line goes to standard output as one
// text line. It only prints: whether a command succeeded comes from the command's result, never
// from the lines.
#pragma once

// Installs the pane.
void stdout_pane_install();
// Writes out a pending unfinished line and flushes standard output.
void stdout_pane_finish();

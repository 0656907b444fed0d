// The command-line front end's message pane: every pane line goes to standard output as one
// text line, and each framed command ("COMMAND: ...") is checked for ending with
// "COMMAND DONE".
#pragma once

// Installs the pane (and forgets earlier frames).
void stdout_pane_install();
// Writes out a pending unfinished line, closes the open frame and removes the pane.
void stdout_pane_finish();
// Number of framed commands so far, and how many of them did not end with "COMMAND DONE"
// (the open frame counts once it is closed by the next frame or by stdout_pane_finish).
int stdout_pane_frames();
int stdout_pane_failed_frames();

// The message pane's do-nothing slots, and the quiet pane made of them.
#include "app/message_pane.h"

int quiet_pane_replace_selection(const char*) { return 1; }

void quiet_pane_clear() {}

PaneSeam quiet_pane_seam() { return PANE_SEAM_OF(quiet_pane); }

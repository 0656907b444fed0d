// The message pane's do-nothing slots, and the quiet pane made of them.
#include "app/message_pane.h"

int pane_drop_text(const char*) { return 1; }

void pane_clear_nothing() {}

PaneSeam quiet_pane_seam() {
  PaneSeam seam;
  seam.replace_selection = pane_drop_text;
  seam.clear = pane_clear_nothing;
  return seam;
}

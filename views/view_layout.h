// Where the register and memory views stand in the main window. The views fill these in when
// they are built and destroyed; the main window lays the message pane out below them.
#pragma once

struct ViewLayout {
  int shown;   // 1 while the register and memory views exist
  int bottom;  // client y of the views' bottom edge
};

extern ViewLayout g_view_layout;

// Stand-in for the recent files list, which the settings keep: adding a file does nothing here.
// This file goes when the settings (settings/settings.h and its recent lists) land.
#include "settings/settings.h"

void add_recent_file(const char*) {}

#include "views/view_layout.h"

ViewLayout g_view_layout = {0, 0};

// The programmer run's do-nothing display slots, and the quiet sink made of them.
#include "programming/programmer.h"

void quiet_sink_status(const char*) {}
void quiet_sink_set_range(int) {}
void quiet_sink_set_position(int) {}
int quiet_sink_step() { return 0; }
void quiet_sink_deliver_one_message() {}
void quiet_sink_deliver_messages() {}
void quiet_sink_repaint() {}

ProgrammerSink quiet_programmer_sink() { return PROGRAMMER_SINK_OF(quiet_sink); }

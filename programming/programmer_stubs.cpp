// The programmer run's do-nothing display slots, and the quiet sink made of them.
#include "programming/programmer.h"

void programmer_sink_no_status(const char*) {}

void programmer_sink_no_bar(int) {}

int programmer_sink_no_step() { return 0; }

void programmer_sink_nothing() {}

ProgrammerSink quiet_programmer_sink() {
  ProgrammerSink sink;
  sink.status = programmer_sink_no_status;
  sink.set_range = programmer_sink_no_bar;
  sink.set_position = programmer_sink_no_bar;
  sink.step = programmer_sink_no_step;
  sink.deliver_one_message = programmer_sink_nothing;
  sink.deliver_messages = programmer_sink_nothing;
  sink.repaint = programmer_sink_nothing;
  return sink;
}

#include "simulator/sim_srec.h"

#include <cstdio>

#include "buffer/srec_reader.h"

namespace {

// Collects the data records up to the first line that cannot be used.
SimSrecFile read_records(SrecReader& reader) {
  SimSrecFile out;
  SrecItem item;
  for (;;) {
    switch (srec_next(reader, item)) {
      case SrecItemKind::Data:
        out.records.push_back(SimRecord{item.address, item.data, item.line});
        continue;
      case SrecItemKind::EndRecord:
        return out;
      case SrecItemKind::EndOfFile:
        out.no_end_record = true;
        return out;
      case SrecItemKind::Problem:
      case SrecItemKind::Stop:
      case SrecItemKind::AfterEnd:
        break;
    }
    out.error = item.problem;
    out.error_line = item.line;
    if (item.has_address) {
      out.error_address = item.address;
    } else if (!out.records.empty()) {
      const SimRecord& last = out.records.back();
      out.error_address = last.address + uint32_t(last.data.size());
    }
    return out;
  }
}

}  // namespace

SimSrecFile sim_srec_parse(const std::string& text) {
  SrecReader reader;
  srec_reader_open_text(reader, text.data(), text.size());
  return read_records(reader);
}

SimSrecFile sim_srec_read_file(const char* path) {
  // Text mode, as the tool opens it: both see the same lines.
  std::FILE* f = path ? std::fopen(path, "r") : nullptr;
  if (!f) {
    SimSrecFile out;
    out.error = "cannot open";
    return out;
  }
  SrecReader reader;
  srec_reader_open(reader, f);
  SimSrecFile out = read_records(reader);
  std::fclose(f);
  return out;
}

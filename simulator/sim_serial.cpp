#include "simulator/sim_serial.h"

#include <cerrno>
#include <cstring>

#include "simulator/sim_platform.h"
#include "simulator/sim_settings.h"
#include "simulator/sim_target.h"

namespace {

std::string reason(int error) {
  return error ? std::strerror(error) : "the system did not say why";
}

void read_input(SimSerialFiles& files, const std::string& path,
                std::vector<std::string>* problems) {
  std::string bytes;
  const std::string quoted = "'" + path + "'";
  std::string problem;
  switch (sim_read_regular_file(path, kSimSerialInputLimit, &bytes)) {
    case SimRead::Read: files.in.assign(bytes.begin(), bytes.end()); return;
    case SimRead::Missing: problem = "there is no file " + quoted; break;
    case SimRead::NotRegular: problem = quoted + " is not a regular file"; break;
    case SimRead::Unreadable: problem = quoted + " cannot be read"; break;
    case SimRead::TooBig: problem = quoted + " is larger than 16 MiB"; break;
  }
  problems->push_back("BDXSIM_SCI0_IN: " + problem + "; SCI0 receives nothing");
}

}  // namespace

void sim_serial_open(SimSerialFiles& files, const SimSettings& settings,
                     std::vector<std::string>* problems) {
  sim_serial_close(files);
  files = SimSerialFiles();
  const std::string& out = settings.sci0_out_path;
  if (out == "-") {
    files.out = stdout;
    files.out_name = "standard output";
  } else if (!out.empty()) {
    files.out_name = out;
    errno = 0;
    files.out = std::fopen(out.c_str(), "ab");
    if (!files.out)
      problems->push_back(sim_format("BDXSIM_SCI0: cannot open '%s' (%s); what SCI0 sends is not "
                                     "kept",
                                     out.c_str(), reason(errno).c_str()));
  }
  if (!settings.sci0_in_path.empty()) read_input(files, settings.sci0_in_path, problems);
}

std::string sim_serial_write(SimSerialFiles& files, std::vector<uint8_t>* bytes) {
  if (bytes->empty()) return "";
  std::string problem;
  if (files.out && !files.out_failed) {
    errno = 0;
    const bool ok = std::fwrite(bytes->data(), 1, bytes->size(), files.out) == bytes->size() &&
                    std::fflush(files.out) == 0;
    if (!ok) {
      files.out_failed = true;
      problem = sim_format("Cannot write what SCI0 sends to '%s' (%s); the rest is not kept",
                           files.out_name.c_str(), reason(errno).c_str());
    }
  }
  bytes->clear();
  return problem;
}

void sim_serial_close(SimSerialFiles& files) {
  if (files.out && files.out != stdout) std::fclose(files.out);
  files.out = nullptr;
}

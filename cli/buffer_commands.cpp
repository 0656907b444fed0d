// Buffer commands of the front end: convert and info.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "buffer/buffer_store.h"
#include "buffer/load_save.h"
#include "cli/cli.h"

namespace {

// Collects the input paths and the "-o OUTPUT" option; false for a wrong command line.
bool parse_inputs(int argc, char** argv, bool want_output, std::vector<const char*>& inputs,
                  const char** output) {
  bool options_done = false;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (!options_done && arg[0] == '-' && arg[1] != '\0') {
      if (std::strcmp(arg, "--") == 0) {
        options_done = true;
      } else if (want_output && std::strcmp(arg, "-o") == 0 && i + 1 < argc && !*output) {
        *output = argv[++i];
      } else {
        std::fprintf(stderr, "corvane: unexpected argument '%s'\n", arg);
        return false;
      }
    } else {
      inputs.push_back(arg);
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "corvane: no input file\n");
    return false;
  }
  if (want_output && !*output) {
    std::fprintf(stderr, "corvane: no output file (-o OUTPUT)\n");
    return false;
  }
  return true;
}

// Loads every input in order, as "&Load buffer" does; true when all of them loaded whole.
bool load_all(const std::vector<const char*>& inputs) {
  bool ok = true;
  for (const char* path : inputs) {
    if (!load_file_into_buffer(path)) ok = false;
  }
  return ok;
}

}  // namespace

int cli_convert(int argc, char** argv) {
  std::vector<const char*> inputs;
  const char* output = nullptr;
  if (!parse_inputs(argc, argv, true, inputs, &output)) return kExitUsage;
  if (!load_all(inputs)) {
    std::fprintf(stderr, "corvane: '%s' not written: an input file was not loaded completely\n",
                 output);
    return kExitFailed;
  }
  return save_buffer_to_file(output) ? kExitOk : kExitFailed;
}

int cli_info(int argc, char** argv) {
  std::vector<const char*> inputs;
  if (!parse_inputs(argc, argv, false, inputs, nullptr)) return kExitUsage;
  const bool loaded = load_all(inputs);

  // Contiguous ranges: valid bytes of different blocks never overlap and blocks are in
  // ascending order, so a range goes on while the next block starts where the last ends.
  uint64_t total = 0;
  int ranges = 0;
  const BufferBlock* b = buffer_first_block();
  while (b) {
    const uint64_t first = b->start_address;
    uint64_t end = first + b->length;
    for (b = b->next; b && b->start_address == end; b = b->next) end += b->length;
    std::printf("%6.6lX-%6.6lX %llu bytes\n", (unsigned long)first, (unsigned long)(end - 1),
                (unsigned long long)(end - first));
    total += end - first;
    ++ranges;
  }
  if (ranges == 0) {
    std::printf("Buffer is empty\n");
  } else {
    std::printf("%llu bytes in %d range%s\n", (unsigned long long)total, ranges,
                ranges == 1 ? "" : "s");
  }
  return loaded ? kExitOk : kExitFailed;
}

// Buffer commands of the front end: convert and info.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "buffer/address_form.h"
#include "buffer/buffer_store.h"
#include "buffer/load_save.h"
#include "cli/cli.h"
#include "target/hcs12_registers.h"
#include "target/security.h"

namespace {

// convert's address forms: --from, --to, --windows-as-pages.
struct FormOptions {
  AddressForm from = AddressForm::Banked;
  AddressForm to = AddressForm::Banked;
  bool windows_as_pages = false;
};

// Collects the input paths and the "-o OUTPUT" option (and, with forms, convert's form
// options); false for a wrong command line.
bool parse_inputs(int argc, char** argv, bool want_output, std::vector<const char*>& inputs,
                  const char** output, FormOptions* forms = nullptr) {
  bool options_done = false;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (!options_done && arg[0] == '-' && arg[1] != '\0') {
      const bool has_value = i + 1 < argc;
      if (std::strcmp(arg, "--") == 0) {
        options_done = true;
      } else if (want_output && std::strcmp(arg, "-o") == 0 && has_value && !*output) {
        *output = argv[++i];
      } else if (forms && has_value &&
                 (std::strcmp(arg, "--from") == 0 || std::strcmp(arg, "--to") == 0)) {
        AddressForm* form = std::strcmp(arg, "--from") == 0 ? &forms->from : &forms->to;
        if (!parse_address_form(argv[++i], form)) {
          std::fprintf(stderr, "corvane: unknown address form '%s' (banked or linear)\n", argv[i]);
          return false;
        }
      } else if (forms && std::strcmp(arg, "--windows-as-pages") == 0) {
        forms->windows_as_pages = true;
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
  if (forms && forms->windows_as_pages &&
      !(forms->from == AddressForm::Banked && forms->to == AddressForm::Linear)) {
    std::fprintf(stderr, "corvane: --windows-as-pages goes with --from banked --to linear\n");
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

// The flash configuration field at the end of page 0x3F, where the image holds it: in the
// 16-bit window, in banked form or in linear form.
void report_configuration_field() {
  const uint32_t field_ends[] = {0xFF0F, paged_window_start(kLastFlashPage) + 0x3F0F, 0x0FFF0F};
  for (uint32_t end : field_ends) {
    const uint32_t start = end - 0x0F;
    if (!buffer_next_held(start, end, nullptr)) continue;
    auto byte = [start](uint32_t offset, uint8_t* value) {
      return buffer_get_byte(start + offset, value) != 0;
    };
    std::printf("Configuration field at %6.6lX-%6.6lX:\n", (unsigned long)start, (unsigned long)end);
    uint8_t sec = 0;
    if (byte(0x0F, &sec)) {
      std::printf("  security byte: %s\n", describe_security_byte(sec).c_str());
      if (backdoor_enabled(sec)) {
        std::string key;
        for (uint32_t i = 0; i < 8; ++i) {
          uint8_t value = 0;
          char digits[4] = "xx";
          if (byte(i, &value)) std::snprintf(digits, sizeof digits, "%2.2X", value);
          key += digits;
          if (i % 2 == 1 && i < 7) key += ' ';
        }
        std::printf("  backdoor key: %s\n", key.c_str());
      }
    } else {
      std::printf("  security byte: not in the image (the part's byte is kept; an erased 0xFF "
                  "is programmed as 0xFE)\n");
    }
    for (int block = 0; block < 4; ++block) {
      uint8_t fprot = 0;
      if (!byte(0x0D - block, &fprot)) continue;
      std::printf("  flash protection byte %4.4X (block %d): 0x%2.2X, protects %s\n",
                  unsigned(0xFF0D - block), block, fprot, describe_fprot_bits(fprot).c_str());
    }
    return;
  }
}

}  // namespace

int cli_convert(int argc, char** argv) {
  std::vector<const char*> inputs;
  const char* output = nullptr;
  FormOptions forms;
  if (!parse_inputs(argc, argv, true, inputs, &output, &forms)) return kExitUsage;
  if (!load_all(inputs)) {
    std::fprintf(stderr, "corvane: '%s' not written: an input file was not loaded completely\n",
                 output);
    return kExitFailed;
  }
  if (!convert_buffer_addresses(forms.from, forms.to, forms.windows_as_pages)) {
    std::fprintf(stderr, "corvane: '%s' not written: the addresses could not be converted\n",
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
  report_configuration_field();
  uint32_t outside = 0;
  if (buffer_looks_linear(&outside))
    std::printf("The addresses look linear (data at 0x%06lX, outside the banked windows): "
                "use --from linear or --addresses linear\n",
                (unsigned long)outside);
  return loaded ? kExitOk : kExitFailed;
}

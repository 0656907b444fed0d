#include "programming/program_from_file.h"

#include <cstdio>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "programming/program_target.h"

bool program_file(const char* path, const TargetMemoryMap& map, const RegionSelection& regions,
                  AddressForm form, SecurityMode security) {
  FILE* f = path ? std::fopen(path, "r") : nullptr;
  if (!f) {
    append_line("Cannot open");
    return false;
  }
  std::fclose(f);

  BufferBlock* user_buffer = buffer_detach();
  // A file that did not load whole never reaches the target: part of an image in flash is a
  // part that does not run, and nothing in the pane would say which part is missing.
  if (!load_file_in_form(path, form)) {
    buffer_attach(user_buffer);  // frees what was loaded, quietly, keeping the load's lines
    return false;
  }
  if (!program_buffer(map, regions, security)) {
    // Quietly as well: a "Clear buffer" frame would wipe the failure from the pane.
    buffer_attach(user_buffer);
    return false;
  }
  buffer_clear();
  buffer_attach(user_buffer);
  begin_command("Programmed/Downloaded memory regions from file");
  end_command();
  return true;
}

int program_regions_from_file(const char* path) {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  return program_file(path, map, region_selection(), AddressForm::Banked) ? 1 : 0;
}

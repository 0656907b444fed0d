#include "programming/program_from_file.h"

#include <cstdio>
#include <string>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "buffer/load_save.h"
#include "programming/program_target.h"

FileLoad load_file_to_program(const char* path, AddressForm form) {
  if (!path || !file_can_be_read(path)) return FileLoad::CannotOpen;
  // A file that did not load whole never reaches the target: part of an image in flash is a
  // part that does not run, and nothing in the pane would say which part is missing.
  if (!load_file_in_form(path, form)) return FileLoad::Damaged;
  if (buffer_is_empty()) {
    // Programming nothing would end in "COMMAND DONE" and leave whatever the part held.
    append_line((std::string("No data in '") + path + "'").c_str());
    return FileLoad::NoData;
  }
  return FileLoad::Loaded;
}

FileProgramming program_loaded_file(const TargetMemoryMap& map, const RegionSelection& regions,
                                    const char* linear_hint, SecurityMode security) {
  FileProgramming result;
  result.coverage = measure_image_coverage(map, regions);
  if (!program_buffer(map, regions, security)) {
    // Quietly: a "Clear buffer" frame would wipe the failure from the pane.
    buffer_attach(nullptr);
    return result;
  }
  buffer_clear();
  begin_command("Programmed/Downloaded memory regions from file");
  end_command();
  const Derivative* target = current_target();
  report_image_coverage(result.coverage, target ? target->name : nullptr, linear_hint);
  result.ok = true;
  return result;
}

bool program_file(const char* path, const TargetMemoryMap& map, const RegionSelection& regions,
                  AddressForm form, SecurityMode security) {
  BufferBlock* user_buffer = buffer_detach();
  const FileLoad load = load_file_to_program(path, form);
  if (load == FileLoad::CannotOpen) append_line("Cannot open");
  if (load != FileLoad::Loaded) {
    buffer_attach(user_buffer);  // frees what was loaded, quietly, keeping the load's lines
    return false;
  }
  const bool ok = program_loaded_file(map, regions, nullptr, security).ok;
  buffer_attach(user_buffer);
  return ok;
}

int program_regions_from_file(const char* path) {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  return program_file(path, map, region_selection(), AddressForm::Banked) ? 1 : 0;
}

// What the file-system layer builds on its platform's calls, alike on every platform.
#include "buffer/file_system.h"

#include <string>

std::string temporary_file_name(const char* stem) {
  const std::string base = temporary_folder() + stem + "-" + std::to_string(current_process_id()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = base + std::to_string(attempt) + ".s19";
    if (name_kind(name) == NameKind::Missing) return name;
  }
  return std::string();
}

#include "buffer/load_save.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "buffer/elf_reader.h"
#include "buffer/file_system.h"
#include "buffer/srec.h"
#include "buffer/srec_reader.h"

namespace {
// Appends "<before><path><after>" whatever the path's length.
void append_path_line(const char* before, const char* path, const char* after) {
  std::string text = before;
  text += path;
  text += after;
  append_line(text.c_str());
}

// Writes the whole buffer to an open stream and flushes it; false when any of it could not be
// written (a full disk shows at the latest when the stream's buffer is flushed or closed). The
// stream is closed either way. With `to_disk` the file is also forced onto the disk first: a
// file that is to take an old file's place must be there whole before the old one goes, or a
// power cut right after the save could leave neither.
bool write_and_close(FILE* f, bool to_disk) {
  // Whole pieces of the image per write call rather than the C library's few kilobytes.
  std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
  srec_write(f);
  bool ok = std::fflush(f) == 0 && std::ferror(f) == 0;
  if (ok && to_disk) ok = flush_to_disk(f);
  return std::fclose(f) == 0 && ok;
}

enum class PathKind { None, Regular, Other };

// What the path names, a link followed.
PathKind path_kind(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return PathKind::None;
  return S_ISREG(st.st_mode) ? PathKind::Regular : PathKind::Other;
}

// How one way of saving ended.
enum class Saved { Done, CannotOpen, CannotWrite, FolderRefused };

// A device or pipe is written to directly: there is no file to keep.
Saved save_to_device(const char* path) {
  FILE* f = std::fopen(path, "w");
  if (!f) return Saved::CannotOpen;
  return write_and_close(f, false) ? Saved::Done : Saved::CannotWrite;
}

// Writes the file at its own name, as the save did before it wrote beside the file: a failing
// write leaves the file cut short.
Saved save_in_place(const std::string& file) {
  FILE* f = std::fopen(file.c_str(), "w");
  return f && write_and_close(f, false) ? Saved::Done : Saved::CannotWrite;
}

// The file is written whole under a name of its own beside the old one, which it replaces
// only then: a full disk or a failing write leaves the old file as it was. FolderRefused when
// the folder allows no new file for lack of permission (a full disk is not such a case).
Saved save_through_temporary_file(const std::string& file, bool replaces_a_file) {
  std::string temp;
  FILE* f = nullptr;
  int open_error = 0;
  for (int attempt = 0; attempt < 100 && !f; ++attempt) {
    temp = file + "." + std::to_string(current_process_id()) + "-" + std::to_string(attempt) + ".tmp";
    if (name_kind(temp) != NameKind::Missing) continue;  // another save's, left alone
    f = std::fopen(temp.c_str(), "w");
    if (!f) {
      open_error = errno;
      break;
    }
  }
  if (!f) return open_error == EACCES || open_error == EPERM ? Saved::FolderRefused : Saved::CannotOpen;
  bool ok = write_and_close(f, true);
  if (ok && replaces_a_file) copy_permissions(file, temp);  // the old file's permissions
  ok = ok && replace_file_on_disk(temp, file);
  if (!ok) {
    std::remove(temp.c_str());
    return Saved::CannotWrite;
  }
  return Saved::Done;
}

// The rest of "Load to buffer" for an ELF file: its loadable segments at their load addresses.
// The file is checked whole before anything is stored, so a refused file leaves the buffer as
// it was.
int load_elf_into_buffer(const char* path) {
  std::vector<uint8_t> bytes;
  const ElfImage image = elf_read_file(path, &bytes);
  if (!image.ok) {
    append_line(image.problem.c_str());
    append_path_line("Errors in file '", path, "'");
    return 0;
  }
  for (const ElfSegment& s : image.segments) {
    if (!buffer_write(s.address, bytes.data() + s.offset, s.size, 0xFF)) {
      append_line("Buffer Error: cannot add");
      append_path_line("Errors in file '", path, "'");
      return 0;
    }
  }
  append_path_line("Loaded file '", path, "'");
  if (image.segments.empty()) append_path_line("No loadable segments in '", path, "'");
  end_command();
  return 1;
}
}  // namespace

int load_file_into_buffer(const char* path) {
  begin_command("Load to buffer");
  FILE* f = std::fopen(path, "r");
  if (!f) {
    append_path_line("Cannot open '", path, "'");
    return 0;
  }
  // An ELF file is known by its magic. Only a plain file is looked at first: the stream of a
  // pipe or a device could not be read again from its start.
  if (path_kind(path) == PathKind::Regular && elf_file_has_magic(path)) {
    std::fclose(f);
    return load_elf_into_buffer(path);
  }
  bool no_end_record = false;
  const int result = srec_read(f, &no_end_record);
  std::fclose(f);
  append_path_line(result != 0 ? "Errors in file '" : "Loaded file '", path, "'");
  if (no_end_record) append_path_line("No end record in '", path, "': the file may be cut short");
  if (result != 0) return 0;
  end_command();
  return 1;
}

int save_buffer_to_file(const char* path) {
  begin_command("Save buffer");
  if (buffer_is_empty()) {
    append_line("Buffer is empty");
    return 0;
  }
  const PathKind kind = path_kind(path);
  Saved saved;
  if (kind == PathKind::Other) {
    saved = save_to_device(path);
  } else {
    if (kind == PathKind::Regular) {
      // An old file that may not be written stays as it is, as when it was opened for writing.
      FILE* probe = std::fopen(path, "r+");
      if (!probe) {
        append_path_line("Cannot open '", path, "'");
        return 0;
      }
      std::fclose(probe);
    }
    // A link stays a link: the file it names is the one replaced.
    const std::string file = resolve_links(path);
    saved = save_through_temporary_file(file, kind == PathKind::Regular);
    // A folder that allows no new file may still hold a file that may be written (shared
    // folders, files handed to a user): that file is then written at its own name, without
    // the protection of the temporary file.
    if (saved == Saved::FolderRefused)
      saved = kind == PathKind::Regular ? save_in_place(file) : Saved::CannotOpen;
  }
  if (saved != Saved::Done) {
    append_path_line(saved == Saved::CannotOpen ? "Cannot open '" : "Cannot write '", path, "'");
    return 0;
  }
  end_command();
  return 1;
}

bool file_can_be_read(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char byte;
  const size_t got = std::fread(&byte, 1, 1, f);
  const bool ok = got == 1 || !std::ferror(f);  // an empty file reads fine; a folder does not
  std::fclose(f);
  return ok;
}

bool srec_file_has_data(const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) return false;
  SrecReader reader;
  srec_reader_open(reader, f);
  SrecItem item;
  bool data = false;
  for (;;) {
    const SrecItemKind kind = srec_next(reader, item);
    if (kind == SrecItemKind::Data && !item.data.empty()) {
      data = true;
      break;
    }
    if (kind != SrecItemKind::Data && kind != SrecItemKind::Problem) break;
  }
  std::fclose(f);
  return data;
}

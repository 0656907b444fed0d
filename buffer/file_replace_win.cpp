#include "buffer/file_replace.h"

#include <windows.h>

bool replace_file_on_disk(const char* from, const char* to) {
  // One call: there is no moment without a file at `to`, and WRITE_THROUGH returns only once
  // the move is on the disk.
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#include "app/title.h"

#include <cstdio>
#include <cstring>

namespace {
// Appends fragment to text without running past size (the caption is cut, never overrun).
void append(char* text, size_t size, const char* fragment) {
  const size_t used = std::strlen(text);
  if (used + 1 >= size) return;
  std::snprintf(text + used, size - used, "%s", fragment);
}
}  // namespace

const char* compose_title(const TitleState& state, char* text, size_t size) {
  if (!text || size == 0) return text;
  text[0] = '\0';
  char scratch[64];
  append(text, size, "Corvane's Test Bench - ");
  append(text, size, "Adapter: ");
  static const char* const kModels[] = {"R41", "R42", "R43"};
  if (state.adapter_type >= 0 && state.adapter_type <= 2)
    append(text, size, kModels[state.adapter_type]);
  if (state.connected) {
    append(text, size, ", Connection:");
    if (state.port < 0)
      std::snprintf(scratch, sizeof scratch, " (USB)");
    else
      std::snprintf(scratch, sizeof scratch, " COM%lld", static_cast<long long>(state.port) + 1);
    append(text, size, scratch);
    if (state.target_clock == -1)
      std::snprintf(scratch, sizeof scratch, ", Target Clock:(Auto)");
    else
      std::snprintf(scratch, sizeof scratch, ", Target Clock: %d,%d MHz", state.target_clock / 1000,
                    state.target_clock % 1000);
    append(text, size, scratch);
  } else {
    append(text, size, ", Not Connected");
  }
  if (state.target_known) {
    std::snprintf(scratch, sizeof scratch, ", Target MPU: '%.31s'",
                  state.target_name ? state.target_name : "");
    append(text, size, scratch);
  } else {
    append(text, size, ", No target MPU selected");
  }
  return text;
}

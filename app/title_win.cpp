#include "app/title_win.h"

#include "adapter/adapter_settings.h"
#include "app/commands_win.h"
#include "app/title.h"
#include "target/catalogue.h"

void update_title(HWND window) {
  const Derivative* target = current_target();
  TitleState state;
  state.adapter_type = get_adapter_type();
  state.connected = get_connected();
  state.port = get_adapter_port();
  state.target_clock = get_target_clock();
  state.target_known = target_known();
  state.target_name = target ? target->name : nullptr;
  char text[kTitleSize];
  compose_title(state, text, sizeof text);
  SetWindowTextA(window, text);
  update_toolbar_states();
}

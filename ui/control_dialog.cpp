#include "ui/control_dialog.h"

#include "frame/plugin_state.h"

void CreateControlDialog() {}

void DestroyControlDialog() {
  if (State.DialogWindow) DestroyWindow(State.DialogWindow);
}

void RefreshControls() {
  if (!State.DialogWindow) return;
}

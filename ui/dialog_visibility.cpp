// The host's show, hide and toggle of the control dialog. With no dialog the
// window calls fail harmlessly.
#include "frame/entry_points.h"

void EXTIO_CALL ShowGUI() {
  ShowWindow(State.DialogWindow, SW_SHOW);
  SetForegroundWindow(State.DialogWindow);
}

void EXTIO_CALL HideGUI() { ShowWindow(State.DialogWindow, SW_HIDE); }

void EXTIO_CALL SwitchGUI() { ShowWindow(State.DialogWindow, IsWindowVisible(State.DialogWindow) ? SW_HIDE : SW_SHOW); }

// The plug-in's control dialog driven as a user does: the window messages that
// clicks, selections and keys produce, sent on the thread that called OpenHW.
#pragma once

#include <windows.h>

namespace dialog_ids {
constexpr int DeviceCombo = 1002, SampleRateCombo = 1004, LnaSlider = 1011, VgaSlider = 1015, ClockCheck = 1030,
              InputCombo = 1031, GpoCheck0 = 1032;
}

class DialogDriver {
 public:
  // Finds the dialog among the calling thread's windows; false if there is none.
  bool Attach();
  HWND Dialog() const { return dialog_; }
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }

  // The dialog procedure's own result, which SendMessage does not return for dialogs.
  INT_PTR Procedure(UINT message, WPARAM wparam, LPARAM lparam) const;
  INT_PTR Command(int id, int code) const;
  INT_PTR Select(int combo, int row) const;
  INT_PTR Click(int box, bool checked) const;
  // A trackbar dragged to `position` and let go.
  INT_PTR Slide(int slider, int position) const;
  // A key pressed and released on a control; the trackbar reports to the dialog itself.
  void Key(int id, WPARAM key) const;
  int SliderPosition(int slider) const;

 private:
  HWND dialog_ = nullptr;
};

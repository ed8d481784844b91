#include "tests/dialog_driver.h"

#include <commctrl.h>

#include <cwchar>

static BOOL CALLBACK FindSettingsDialog(HWND window, LPARAM out) {
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (wcscmp(title, L"Kelvo SDR Settings") != 0) return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}

bool DialogDriver::Attach() {
  dialog_ = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindSettingsDialog, reinterpret_cast<LPARAM>(&dialog_));
  return dialog_ != nullptr;
}

INT_PTR DialogDriver::Procedure(UINT message, WPARAM wparam, LPARAM lparam) const {
  auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(dialog_, DWLP_DLGPROC));
  return procedure(dialog_, message, wparam, lparam);
}

INT_PTR DialogDriver::Command(int id, int code) const {
  return Procedure(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Control(id)));
}

INT_PTR DialogDriver::Select(int combo, int row) const {
  SendMessageW(Control(combo), CB_SETCURSEL, row, 0);
  return Command(combo, CBN_SELCHANGE);
}

INT_PTR DialogDriver::Click(int box, bool checked) const {
  SendMessageW(Control(box), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  return Command(box, BN_CLICKED);
}

INT_PTR DialogDriver::Slide(int slider, int position) const {
  SendMessageW(Control(slider), TBM_SETPOS, TRUE, position);
  return Procedure(WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(Control(slider)));
}

void DialogDriver::Key(int id, WPARAM key) const {
  SendMessageW(Control(id), WM_KEYDOWN, key, 0);
  SendMessageW(Control(id), WM_KEYUP, key, 0);
}

int DialogDriver::SliderPosition(int slider) const {
  return static_cast<int>(SendMessageW(Control(slider), TBM_GETPOS, 0, 0));
}

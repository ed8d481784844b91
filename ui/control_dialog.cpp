// The modeless control dialog: creation, filling, refresh and its own
// window messages. It keeps no state: everything it shows is PluginState.
#include "ui/control_dialog.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "frame/plugin_state.h"
#include "ui/dialog_ids.h"

static const wchar_t* const InputLabels[] = {L"RF", L"IQ (HF1+HF2) direct sampling", L"HF1 direct sampling",
                                             L"HF2 direct sampling"};
static constexpr int DialogTextSize = 128;

static void AddDeviceRows(HWND dialog) {
  for (int row = 0; row < State.DeviceCount; ++row) {
    char text[DialogTextSize];
    snprintf(text, sizeof text, "Kelvo SDR %s", DeviceTable[row].DeviceName);
    wchar_t wide[DialogTextSize];
    if (!MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, DialogTextSize)) wide[0] = L'\0';
    SendDlgItemMessageW(dialog, DeviceComboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide));
  }
}

static void ShowApiInfo(HWND dialog) {
  // Cleared first and dropped on failure: a library that fails may leave
  // its buffers half written or not at all.
  char library[KELVO_TEXT_SIZE] = {}, driver[KELVO_TEXT_SIZE] = {};
  if (kelvo_rx_get_api_info(library, driver) != 0) {
    memset(library, 0, sizeof library);
    memset(driver, 0, sizeof driver);
  }
  char text[DialogTextSize];
  snprintf(text, sizeof text, "lib v.%.*s drv %.*s", KELVO_TEXT_SIZE, library, KELVO_TEXT_SIZE, driver);
  SetDlgItemTextA(dialog, ApiInfoEditId, text);
}

static void SetSliderRange(HWND dialog, int slider, int maximum) {
  SendDlgItemMessageW(dialog, slider, TBM_SETRANGEMIN, FALSE, 0);
  SendDlgItemMessageW(dialog, slider, TBM_SETRANGEMAX, FALSE, maximum);
  for (int tic = 0; tic <= maximum; ++tic) SendDlgItemMessageW(dialog, slider, TBM_SETTIC, 0, tic);
}

static void FillControls(HWND dialog) {
  AddDeviceRows(dialog);
  ShowApiInfo(dialog);
  for (int row = 0; row < State.SampleRateCount; ++row)
    SendDlgItemMessageW(dialog, SampleRateComboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SampleRateTable[row].Label));
  for (const wchar_t* label : InputLabels)
    SendDlgItemMessageW(dialog, InputComboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
  SetSliderRange(dialog, LnaGainSliderId, LNAGainMax);
  SetSliderRange(dialog, VgaGainSliderId, VGAGainMax);
  // DialogWindow is not yet set during creation: the values reach a new
  // dialog at its first WM_SHOWWINDOW.
  RefreshControls();
}

void RefreshControls() {
  HWND dialog = State.DialogWindow;
  if (!dialog) return;
  const bool idle = State.StreamActive.load(Relaxed) == 0;
  SendDlgItemMessageW(dialog, DeviceComboId, CB_SETCURSEL, State.SelectedDevice, 0);
  EnableWindow(GetDlgItem(dialog, DeviceComboId), idle);
  SendDlgItemMessageW(dialog, SampleRateComboId, CB_SETCURSEL, State.SampleRateIdx, 0);
  EnableWindow(GetDlgItem(dialog, SampleRateComboId), idle);
  SetDlgItemTextA(dialog, BoardEditId, State.BoardInfo);
  SetDlgItemTextA(dialog, SerialEditId, DeviceTable[State.SelectedDevice].DeviceName);
  SendDlgItemMessageW(dialog, InputComboId, CB_SETCURSEL, State.SamplingMode.load(Relaxed), 0);
  SendDlgItemMessageW(dialog, ExternalClockCheckId, BM_SETCHECK, State.ExternalClock, 0);
  for (int bit = 0; bit < 8; ++bit)
    SendDlgItemMessageW(dialog, GpoCheck0Id + bit, BM_SETCHECK, (State.GpoBits >> bit) & 1, 0);
  SendDlgItemMessageW(dialog, LnaGainSliderId, TBM_SETPOS, TRUE, State.LNAGain);
  SendDlgItemMessageW(dialog, VgaGainSliderId, TBM_SETPOS, TRUE, State.VGAGain);
}

static INT_PTR CALLBACK ControlDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      FillControls(dialog);
      return 1;
    case WM_SHOWWINDOW:
      RefreshControls();
      return 1;
    case WM_CLOSE:
      // The close box hides; only CloseHW destroys.
      ShowWindow(State.DialogWindow, SW_HIDE);
      return 1;
    case WM_DESTROY:
      ShowWindow(State.DialogWindow, SW_HIDE);
      State.DialogWindow = nullptr;
      return 1;
    case WM_COMMAND:
      return HandleDialogCommand(dialog, wparam, lparam);
    case WM_HSCROLL:
      return HandleGainSlider(dialog, lparam);
    default:
      return 0;
  }
}

void CreateControlDialog() {
  // A host that opens twice keeps the one dialog: a second would outlive
  // CloseHW, and its close box would hide the other.
  if (State.DialogWindow) {
    RefreshControls();
    return;
  }
  // The trackbar class exists only once common controls are initialised; a
  // host that never did so would otherwise get no dialog at all.
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  State.DialogWindow = CreateDialogParamW(State.ModuleInstance, MAKEINTRESOURCEW(ControlDialogId), nullptr,
                                          ControlDialogProc, 0);
  ShowWindow(State.DialogWindow, SW_HIDE);
}

void DestroyControlDialog() {
  if (State.DialogWindow) DestroyWindow(State.DialogWindow);
}

// What the user's actions in the control dialog do: each reaches the open
// receiver through its library and, where the host must know, the host.
//
// With no receiver open (a device change whose open failed) a command calls
// no library and counts as accepted, as ExtIoSetSrate does: the value is held
// and the host is told, so host and dialog never disagree.
#include <windows.h>
#include <commctrl.h>

#include "device/device_step.h"
#include "frame/entry_points.h"
#include "frame/host_notify.h"
#include "stream/stream_control.h"
#include "ui/control_dialog.h"
#include "ui/dialog_ids.h"

static constexpr int64_t NoSavedLO = -1;

static int Selection(LPARAM combo) {
  return static_cast<int>(SendMessageW(reinterpret_cast<HWND>(combo), CB_GETCURSEL, 0, 0));
}

static bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// Moves the stream, if any, to the receiver the user picked.
static INT_PTR ChangeDevice(int code, LPARAM combo) {
  if (code != CBN_SELCHANGE) return 0;
  const int selection = Selection(combo);
  // No row selected (CB_ERR) names no receiver: nothing to close or open.
  if (selection == State.SelectedDevice || selection < 0 || selection >= State.DeviceCount) return 0;
  State.DeviceChanging = true;
  int64_t saved_lo = NoSavedLO;
  if (State.Running) {
    saved_lo = GetHWLO64();
    StopStream();
    State.Running = false;
  }
  CloseHW();
  State.SelectedDevice = selection;
  if (OpenHW() && saved_lo != NoSavedLO) StartHW64(saved_lo);
  // A stream that could not be carried over, whether the open or the restart
  // failed, has stopped under the host: the user must hear of it.
  if (saved_lo != NoSavedLO && !State.Running) MessageBoxW(nullptr, L"Device change error", L"ExtIO", MB_ICONERROR);
  State.DeviceChanging = false;
  RefreshControls();
  NotifyHost(StatusSampleRateChanged);
  NotifyHost(StatusGainChanged);
  return 1;
}

static INT_PTR ChangeSampleRate(int code, LPARAM combo) {
  if (code != CBN_SELCHANGE) return 1;
  const int selection = Selection(combo);
  if (selection == State.SampleRateIdx || selection < 0 || selection >= State.SampleRateCount) return 1;
  // Kept even when the receiver refuses it.
  State.SampleRateIdx = selection;
  if (SendSampleRate(SampleRateTable[selection].RateHz).result != 0) return 0;
  RefreshControls();
  NotifyHost(StatusSampleRateChanged);
  return 1;
}

static INT_PTR ChangeInput(int code, LPARAM combo) {
  if (code != CBN_SELCHANGE) return 1;
  const int mode = Selection(combo);
  if (mode < ModeRF || mode > ModeHF2Direct) return 1;  // no row selected
  const int direct = mode == ModeRF ? 0 : 1;
  DeviceStepResult step = DeviceStep([&](kelvo_handle h) { return kelvo_rx_set_direct_sampling(h, direct); },
                                     [&](kelvo_handle h) { return kelvo_sdr_set_direct_sampling(h, direct); });
  // The host hears of it while GetHWLO64 still reports the old mode's LO.
  if (mode != State.SamplingMode.load(Relaxed)) NotifyHost(StatusLOChanged);
  State.SamplingMode.store(mode, Relaxed);
  return step.result == 0;
}

static INT_PTR ChangeClock(HWND dialog, int code) {
  if (code != BN_CLICKED) return 1;
  State.ExternalClock = IsChecked(dialog, ExternalClockCheckId) ? 1 : 0;
  const int external = State.ExternalClock;
  return DeviceStep([&](kelvo_handle h) { return kelvo_rx_set_clk_source(h, external); },
                    [&](kelvo_handle h) { return kelvo_sdr_set_clk_source(h, external); })
             .result == 0;
}

static INT_PTR ChangeOutput(HWND dialog, int id, int code) {
  if (code != BN_CLICKED) return 1;
  const uint8_t bit = static_cast<uint8_t>(1u << (id - GpoCheck0Id));
  State.GpoBits = IsChecked(dialog, id) ? (State.GpoBits | bit) : (State.GpoBits & ~bit);
  const int bits = State.GpoBits;
  return DeviceStep([&](kelvo_handle h) { return kelvo_rx_set_user_gpo(h, bits); },
                    [&](kelvo_handle h) { return kelvo_sdr_set_user_gpo(h, bits); })
             .result == 0;
}

INT_PTR HandleDialogCommand(HWND dialog, WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  const int code = HIWORD(wparam);
  switch (id) {
    case DeviceComboId: return ChangeDevice(code, lparam);
    case SampleRateComboId: return ChangeSampleRate(code, lparam);
    case InputComboId: return ChangeInput(code, lparam);
    case ExternalClockCheckId: return ChangeClock(dialog, code);
    case CloseButtonId:
      if (code != BN_CLICKED) return 0;
      ShowWindow(State.DialogWindow, SW_HIDE);
      return 1;
    default:
      if (id >= GpoCheck0Id && id <= GpoCheck7Id) return ChangeOutput(dialog, id, code);
      return 0;  // IDOK and IDCANCEL included: Enter and Esc do nothing
  }
}

template <typename RxCall, typename SdrCall>
static INT_PTR MoveGain(HWND slider, int32_t& gain, RxCall rx_call, SdrCall sdr_call) {
  const int position = static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
  if (position == gain) return 0;
  gain = position;
  RefreshControls();
  if (DeviceStep(rx_call, sdr_call).result != 0) return 0;
  NotifyHost(StatusGainChanged);
  return 1;
}

INT_PTR HandleGainSlider(HWND dialog, LPARAM lparam) {
  HWND slider = reinterpret_cast<HWND>(lparam);
  if (slider && slider == GetDlgItem(dialog, LnaGainSliderId))
    return MoveGain(slider, State.LNAGain, [](kelvo_handle h) { return kelvo_rx_set_lna_gain(h, State.LNAGain); },
                    [](kelvo_handle h) { return kelvo_sdr_set_lna_gain(h, State.LNAGain); });
  if (slider && slider == GetDlgItem(dialog, VgaGainSliderId))
    return MoveGain(slider, State.VGAGain, [](kelvo_handle h) { return kelvo_rx_set_vga_gain(h, State.VGAGain); },
                    [](kelvo_handle h) { return kelvo_sdr_set_vga_gain(h, State.VGAGain); });
  return 0;
}

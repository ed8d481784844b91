// OpenHW and CloseHW: the receiver of row SelectedDevice, through its own library.
#include "device/board_info.h"
#include "device/device_step.h"
#include "frame/entry_points.h"
#include "stream/stream_control.h"
#include "ui/control_dialog.h"

DeviceStepResult SendSampleRate(double rate_hz) {
  return DeviceStep([&](kelvo_handle h) { return kelvo_rx_set_samplerate(h, rate_hz, nullptr); },
                    [&](kelvo_handle h) { return kelvo_sdr_set_samplerate(h, rate_hz); });
}

static void CloseOpenDevice() {
  if (kelvo_handle rx = State.RxHandle.load(Relaxed)) {
    kelvo_rx_close(rx);
    State.RxHandle.store(nullptr, Relaxed);
  }
  if (kelvo_handle sdr = State.SdrHandle.load(Relaxed)) {
    kelvo_sdr_close(sdr);
    State.SdrHandle.store(nullptr, Relaxed);
  }
}

static bool OpenSelectedRow() {
  const DeviceRow& row = DeviceTable[State.SelectedDevice];
  // Open into a local so that a failed open leaves the handle field zero
  // whatever the library wrote.
  kelvo_handle handle = nullptr;
  if (row.DeviceKind == DeviceKindSdr) {
    if (kelvo_sdr_open(&handle, row.DeviceLibIndex) != 0) return false;
    State.SdrHandle.store(handle, Relaxed);
  } else {
    if (kelvo_rx_open(&handle, row.DeviceLibIndex) != 0) return false;
    State.RxHandle.store(handle, Relaxed);
  }
  return true;
}

bool EXTIO_CALL OpenHW() {
  // Without a listing there is no row to open, and CloseHW would never
  // release what we opened; a row beyond the listing is stale.
  if (!State.Initialised) return false;
  if (State.SelectedDevice < 0 || State.SelectedDevice >= State.DeviceCount) return false;
  // A device still open (a host retrying after a failed open) is closed
  // first, so only one handle is ever held; never under a running stream.
  if (StreamThreadExists()) return false;
  CloseOpenDevice();

  if (!OpenSelectedRow()) return false;

  char board[5][KELVO_TEXT_SIZE] = {};
  DeviceStepResult info = DeviceStep(
      [&](kelvo_handle h) { return kelvo_rx_get_board_info(h, board[0], board[1], board[2], board[3], board[4]); },
      [&](kelvo_handle h) { return kelvo_sdr_get_board_info(h, board[0], board[1], board[2], board[3], board[4]); });
  if (info.result != 0) return false;
  FormatBoardInfo(State.BoardInfo, board[0], board[1]);
  State.SampleRateCount = SampleRateRows;

  if (SendSampleRate(CurrentSampleRateHz()).result != 0) return false;
  if (kelvo_handle sdr = State.SdrHandle.load(Relaxed)) kelvo_sdr_set_auto_bandwidth(sdr, AutoBandwidthFactor);

  if (!State.DeviceChanging) CreateControlDialog();
  return State.Initialised;
}

void EXTIO_CALL CloseHW() {
  if (!State.Initialised) return;
  // From inside the host's block callback the read is still on this very
  // stack: the stop can only be asked for, and the handle must stay open
  // under it. The next StopHW or CloseHW from the host's thread finishes.
  if (OnStreamThread()) {
    StopStream();
    State.Running = false;
    return;
  }
  // The worker reads through the handle we are about to close: end it first.
  if (StreamThreadExists()) {
    StopStream();
    State.Running = false;
  }
  CloseOpenDevice();
  if (State.DeviceChanging) return;
  DestroyControlDialog();
  State.Initialised = false;
}

// Selection among the nine sample rates.
#include "device/device_step.h"
#include "frame/entry_points.h"
#include "frame/host_notify.h"

static bool IsRateRow(int row) { return static_cast<uint32_t>(row) < static_cast<uint32_t>(SampleRateRows); }

int EXTIO_CALL ExtIoGetSrates(int row, double* rate_hz) {
  if (!IsRateRow(row) || !rate_hz) return 1;
  *rate_hz = SampleRateTable[row].RateHz;
  return 0;
}

int EXTIO_CALL ExtIoGetActualSrateIdx() { return State.SampleRateIdx; }

int EXTIO_CALL ExtIoSetSrate(int row) {
  if (!IsRateRow(row)) return 1;
  // Stored before the device is asked, and kept if it refuses.
  State.SampleRateIdx = row;
  if (SendSampleRate(SampleRateTable[row].RateHz).result != 0) return 1;
  NotifyHost(StatusSampleRateChanged);
  return 0;
}

int EXTIO_CALL GetHWSR() {
  int row = State.SampleRateIdx;
  if (row < 0) row = 0;
  // Before the first open no row is usable yet; the selection stands as it is
  // (it is always a table row) rather than falling to -1.
  if (State.SampleRateCount > 0 && row >= State.SampleRateCount) row = State.SampleRateCount - 1;
  if (row >= SampleRateRows) row = SampleRateRows - 1;
  State.SampleRateIdx = row;
  return static_cast<int>(SampleRateTable[row].RateHz);
}

// The LO: a stored, clamped value in RF and IQ direct sampling; half the
// sample rate, never stored or sent, in the HF1 and HF2 direct modes.
#include "tuning/lo_frequency.h"

#include "device/device_step.h"
#include "frame/entry_points.h"
#include "frame/host_notify.h"

static bool UsesTunedLO() {
  const int mode = State.SamplingMode.load(Relaxed);
  return mode == ModeRF || mode == ModeIQDirect;
}

int64_t DirectSamplingLO() { return static_cast<int64_t>(CurrentSampleRateHz()) / 2; }

int64_t EXTIO_CALL SetHWLO64(int64_t lo_hz) {
  if (!UsesTunedLO()) {
    NotifyHost(StatusLOChanged);
    return DirectSamplingLO();
  }
  const int64_t clamped = lo_hz < LOMinHz ? LOMinHz : lo_hz > LOMaxHz ? LOMaxHz : lo_hz;
  // The host hears of the clamp while LOFrequency still holds the old value.
  if (clamped != lo_hz) NotifyHost(StatusLOChanged);
  State.LOFrequency = clamped;
  if (State.Initialised) {
    const double frequency = static_cast<double>(clamped);
    DeviceStep([&](kelvo_handle h) { return kelvo_rx_set_frequency(h, frequency, nullptr); },
               [&](kelvo_handle h) { return kelvo_sdr_set_frequency(h, frequency); });
  }
  return clamped;
}

int32_t EXTIO_CALL SetHWLO(int32_t lo_hz) { return static_cast<int32_t>(SetHWLO64(lo_hz)); }

int64_t EXTIO_CALL GetHWLO64() { return UsesTunedLO() ? State.LOFrequency : DirectSamplingLO(); }

int32_t EXTIO_CALL GetHWLO() { return static_cast<int32_t>(GetHWLO64()); }

// Addressing the open receiver: the rx library when RxHandle is set, then the
// sdr library when SdrHandle is set; the last call's result counts.
#pragma once

#include "frame/plugin_state.h"

struct DeviceStepResult {
  bool called;  // false when no device is open
  int result;   // result of the last call made; 0 means accepted
};

template <typename RxCall, typename SdrCall>
DeviceStepResult DeviceStep(RxCall rx_call, SdrCall sdr_call) {
  DeviceStepResult step{false, 0};
  if (kelvo_handle rx = State.RxHandle.load(Relaxed)) step = {true, rx_call(rx)};
  if (kelvo_handle sdr = State.SdrHandle.load(Relaxed)) step = {true, sdr_call(sdr)};
  return step;
}

// Sends a sample rate to the open receiver.
DeviceStepResult SendSampleRate(double rate_hz);

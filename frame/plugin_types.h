// The plug-in's constants and plain types, free of any platform header so
// that the pure code (listing, shaping, settings text) builds anywhere.
#pragma once

#include <cstdint>

// Host callback: (count, status, value, data). Block call: (32768, 0, 0.0, block);
// notification: (-1, status, 0.0, null).
typedef void (*HostCallbackFn)(int count, int status, float value, void* data);

enum HostStatus : int {
  StatusSampleRateChanged = 100,
  StatusLOChanged = 101,
  StatusGainChanged = 125,
};

enum SamplingModeValue : int {
  ModeRF = 0,
  ModeIQDirect = 1,
  ModeHF1Direct = 2,
  ModeHF2Direct = 3,
};

enum DeviceKindValue : int32_t {
  DeviceKindRx = 0,
  DeviceKindSdr = 1,
};

constexpr int MaxDevices = 64;
constexpr int DeviceNameSize = 64;
constexpr int BoardInfoSize = 64;
constexpr int SampleRateRows = 9;
constexpr int SamplesPerBlock = 32768;
constexpr int32_t LNAGainMax = 3;   // gain steps from 0
constexpr int32_t VGAGainMax = 31;
constexpr int HardwareTypeFloat32 = 7;  // blocks of interleaved 32-bit float I/Q
constexpr double AutoBandwidthFactor = 0.9;  // sdr receivers: bandwidth follows the rate
// "No stream thread": all bits set, like INVALID_HANDLE_VALUE, kept as an
// integer because a handle constant cannot be constant-initialised.
constexpr uintptr_t NoStreamThread = ~uintptr_t{0};

struct SampleRateEntry {
  double RateHz;
  const wchar_t* Label;
};

struct DeviceRow {
  char DeviceName[DeviceNameSize];
  int32_t DeviceKind;
  int32_t DeviceLibIndex;
};

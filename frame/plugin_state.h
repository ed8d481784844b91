// The plug-in's whole state: one static record and two tables beside it,
// constant-initialised so that every value is in place at load, before any
// code runs. Nothing here is ever allocated, reset as a whole or freed.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "device/kelvo_api.h"

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

// The fields that the stream thread shares with other threads are atomics
// used with relaxed order: on x86 that is the plain aligned load and store
// the design relies on, and the program stays free of data races.
struct PluginState {
  // module and host
  HINSTANCE ModuleInstance = nullptr;
  std::atomic<HostCallbackFn> HostCallback{nullptr};
  bool SettingsAccepted = false;

  // device management
  bool Initialised = false;
  int32_t DeviceCount = 0;
  int32_t SelectedDevice = 0;
  std::atomic<kelvo_handle> RxHandle{nullptr};
  std::atomic<kelvo_handle> SdrHandle{nullptr};
  char BoardInfo[BoardInfoSize] = {};
  bool DeviceChanging = false;

  // receiver settings
  int32_t SampleRateCount = 0;
  int32_t SampleRateIdx = 5;  // 25 MHz
  int64_t LOFrequency = 100000000;
  std::atomic<int32_t> SamplingMode{ModeRF};
  int32_t LNAGain = 0;   // 0..3
  int32_t VGAGain = 0;   // 0..31
  int32_t ExternalClock = 0;
  uint8_t GpoBits = 0;

  // streaming and dialog
  uintptr_t StreamThread = NoStreamThread;  // a thread HANDLE's bits
  std::atomic<int32_t> StreamActive{0};
  bool Running = false;
  HWND DialogWindow = nullptr;
};

extern constinit PluginState State;
extern constinit const SampleRateEntry SampleRateTable[SampleRateRows];
extern constinit DeviceRow DeviceTable[MaxDevices];

// The current sample rate: RateHz of row SampleRateIdx.
double CurrentSampleRateHz();

constexpr std::memory_order Relaxed = std::memory_order_relaxed;

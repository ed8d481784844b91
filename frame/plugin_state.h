// The plug-in's whole state: one static record and two tables beside it,
// constant-initialised so that every value is in place at load, before any
// code runs. Nothing here is ever allocated, reset as a whole or freed.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "device/kelvo_api.h"
#include "frame/plugin_types.h"

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

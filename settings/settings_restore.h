// What one restored setting changes. Pure: the decision is tested and fuzzed
// on its own, and ExtIoSetSetting applies the single change it returns.
#pragma once

#include <cstdint>

#include "frame/plugin_types.h"

enum SettingNumber : int {
  SettingIdentifier = 0,
  SettingSampleRateIdx = 1,
  SettingSamplingMode = 2,
  SettingExternalClock = 3,
  SettingLNAGain = 4,
  SettingVGAGain = 5,
  SettingLOFrequency = 6,  // taken back, never offered
};

// The state field a restore writes; SettingsAccepted is the gate for every
// number but the identifier.
enum class RestoredField {
  Nothing,
  SettingsAccepted,
  SampleRateIdx,
  SamplingMode,
  ExternalClock,
  LNAGain,
  VGAGain,
  LOFrequency,
};

struct SettingChange {
  RestoredField field = RestoredField::Nothing;
  int64_t value = 0;  // SettingsAccepted: 1 open, 0 closed

  bool operator==(const SettingChange&) const = default;
};

// The change a restore of `number` with `text` (may be null) makes, given
// whether the identifier has been accepted. Out-of-range values are clamped
// or give Nothing, so every change lies within its field's range.
SettingChange DecideSettingRestore(int number, const char* text, bool accepted);

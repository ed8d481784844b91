// The numbered key/value pairs through which the host stores our settings.
#include <cstdio>
#include <cstring>

#include "frame/entry_points.h"
#include "settings/settings_text.h"
#include "tuning/lo_frequency.h"

static constexpr int SettingTextBound = 1024;

enum SettingNumber : int {
  SettingIdentifier = 0,
  SettingSampleRateIdx = 1,
  SettingSamplingMode = 2,
  SettingExternalClock = 3,
  SettingLNAGain = 4,
  SettingVGAGain = 5,
  SettingLOFrequency = 6,  // taken back, never offered
};

int EXTIO_CALL ExtIoGetSetting(int number, char* description, char* value) {
  static const char* const Keys[] = {"Identifier", "SampleRateIdx", "SamplingMode",
                                     "ExternalClock", "LNAGain", "VGAGain"};
  if (static_cast<uint32_t>(number) > SettingVGAGain) return -1;
  snprintf(description, SettingTextBound, "%s", Keys[number]);
  switch (number) {
    case SettingIdentifier: snprintf(value, SettingTextBound, "%s", SettingsIdentifier); break;
    case SettingSampleRateIdx: snprintf(value, SettingTextBound, "%d", State.SampleRateIdx); break;
    case SettingSamplingMode: snprintf(value, SettingTextBound, "%d", State.SamplingMode.load(Relaxed)); break;
    case SettingExternalClock: snprintf(value, SettingTextBound, "%d", State.ExternalClock); break;
    case SettingLNAGain: snprintf(value, SettingTextBound, "%d", State.LNAGain); break;
    case SettingVGAGain: snprintf(value, SettingTextBound, "%d", State.VGAGain); break;
  }
  return 0;
}

static void RestoreInteger(int number, int32_t n) {
  switch (number) {
    case SettingSampleRateIdx: State.SampleRateIdx = n <= 0 ? 0 : n < SampleRateRows - 1 ? n : SampleRateRows - 1; break;
    // Every stored input mode comes back as RF: the receiver is not switched
    // at open, so anything else would shape blocks the device never sampled so.
    case SettingSamplingMode: State.SamplingMode.store(ModeRF, Relaxed); break;
    case SettingExternalClock: State.ExternalClock = n > 0 ? 1 : 0; break;
    case SettingLNAGain: if (n >= 0 && n <= 3) State.LNAGain = n; break;
    case SettingVGAGain: if (n >= 0 && n <= 31) State.VGAGain = n; break;
  }
}

void EXTIO_CALL ExtIoSetSetting(int number, const char* value) {
  if (number != SettingIdentifier && !State.SettingsAccepted) return;
  if (static_cast<uint32_t>(number) > SettingLOFrequency) return;
  if (number == SettingIdentifier) {
    State.SettingsAccepted = value && strcmp(value, SettingsIdentifier) == 0;
    return;
  }
  if (!value) return;  // nothing to restore
  if (number == SettingLOFrequency) {
    const double hz = ReadSettingFrequency(value);
    // A NaN fails both comparisons and is refused with the rest.
    if (hz >= static_cast<double>(LOMinHz) && hz <= static_cast<double>(LOMaxHz))
      State.LOFrequency = static_cast<int64_t>(hz);
    return;
  }
  RestoreInteger(number, ReadSettingInteger(value));
}

#include "settings/settings_restore.h"

#include <cstring>

#include "frame/plugin_types.h"
#include "settings/settings_text.h"
#include "tuning/lo_frequency.h"

static SettingChange Change(RestoredField field, int64_t value) { return {field, value}; }

static SettingChange DecideInteger(int number, int32_t n) {
  switch (number) {
    case SettingSampleRateIdx:
      return Change(RestoredField::SampleRateIdx, n <= 0 ? 0 : n < SampleRateRows - 1 ? n : SampleRateRows - 1);
    // Every stored input mode comes back as RF: the receiver is not switched
    // at open, so anything else would shape blocks the device never sampled so.
    case SettingSamplingMode: return Change(RestoredField::SamplingMode, ModeRF);
    case SettingExternalClock: return Change(RestoredField::ExternalClock, n > 0 ? 1 : 0);
    case SettingLNAGain: return n >= 0 && n <= LNAGainMax ? Change(RestoredField::LNAGain, n) : SettingChange{};
    case SettingVGAGain: return n >= 0 && n <= VGAGainMax ? Change(RestoredField::VGAGain, n) : SettingChange{};
  }
  return {};
}

SettingChange DecideSettingRestore(int number, const char* text, bool accepted) {
  if (number != SettingIdentifier && !accepted) return {};
  if (static_cast<uint32_t>(number) > SettingLOFrequency) return {};
  if (number == SettingIdentifier)
    return Change(RestoredField::SettingsAccepted, text && strcmp(text, SettingsIdentifier) == 0 ? 1 : 0);
  if (!text) return {};  // nothing to restore
  if (number == SettingLOFrequency) {
    const double hz = ReadSettingFrequency(text);
    // A NaN fails both comparisons and is refused with the rest.
    if (hz >= static_cast<double>(LOMinHz) && hz <= static_cast<double>(LOMaxHz))
      return Change(RestoredField::LOFrequency, static_cast<int64_t>(hz));
    return {};
  }
  return DecideInteger(number, ReadSettingInteger(text));
}

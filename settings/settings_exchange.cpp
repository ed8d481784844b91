// The numbered key/value pairs through which the host stores our settings.
#include <cstdio>

#include "frame/entry_points.h"
#include "settings/settings_restore.h"
#include "settings/settings_text.h"

static constexpr int SettingTextBound = 1024;

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

// Only the one field the restore names is written: the dialog thread writes
// the same fields, and whichever writes last must win.
void EXTIO_CALL ExtIoSetSetting(int number, const char* value) {
  const SettingChange change = DecideSettingRestore(number, value, State.SettingsAccepted);
  const int64_t v = change.value;
  switch (change.field) {
    case RestoredField::Nothing: break;
    case RestoredField::SettingsAccepted: State.SettingsAccepted = v != 0; break;
    case RestoredField::SampleRateIdx: State.SampleRateIdx = static_cast<int32_t>(v); break;
    case RestoredField::SamplingMode: State.SamplingMode.store(static_cast<int32_t>(v), Relaxed); break;
    case RestoredField::ExternalClock: State.ExternalClock = static_cast<int32_t>(v); break;
    case RestoredField::LNAGain: State.LNAGain = static_cast<int32_t>(v); break;
    case RestoredField::VGAGain: State.VGAGain = static_cast<int32_t>(v); break;
    case RestoredField::LOFrequency: State.LOFrequency = v; break;
  }
}

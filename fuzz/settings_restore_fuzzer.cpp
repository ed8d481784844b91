// A restored setting through the decision ExtIoSetSetting applies.
// Input: byte 0 = flags (bit 0: identifier accepted, bit 1: no text);
// byte 1 = the setting number, signed; the rest = the value text, given
// zero-terminated in a buffer of its exact size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "frame/plugin_types.h"
#include "fuzz/fuzz_check.h"
#include "settings/settings_restore.h"
#include "settings/settings_text.h"
#include "tuning/lo_frequency.h"

// The LO a restore takes, read by the C library's own conversion (the
// process stays in the "C" locale): taken only within 50 MHz to 6 GHz.
static SettingChange ExpectedLORestore(const char* text) {
  const double hz = strtod(text, nullptr);
  if (hz >= static_cast<double>(LOMinHz) && hz <= static_cast<double>(LOMaxHz))
    return {RestoredField::LOFrequency, static_cast<int64_t>(hz)};
  return {};
}

static bool WithinRange(const SettingChange& change) {
  const int64_t v = change.value;
  switch (change.field) {
    case RestoredField::Nothing: return v == 0;
    case RestoredField::SettingsAccepted: return v == 0 || v == 1;
    case RestoredField::SampleRateIdx: return v >= 0 && v <= SampleRateRows - 1;
    case RestoredField::SamplingMode: return v == ModeRF;
    case RestoredField::ExternalClock: return v == 0 || v == 1;
    case RestoredField::LNAGain: return v >= 0 && v <= LNAGainMax;
    case RestoredField::VGAGain: return v >= 0 && v <= VGAGainMax;
    case RestoredField::LOFrequency: return v >= LOMinHz && v <= LOMaxHz;
  }
  return false;
}

static RestoredField FieldOf(int number) {
  switch (number) {
    case SettingIdentifier: return RestoredField::SettingsAccepted;
    case SettingSampleRateIdx: return RestoredField::SampleRateIdx;
    case SettingSamplingMode: return RestoredField::SamplingMode;
    case SettingExternalClock: return RestoredField::ExternalClock;
    case SettingLNAGain: return RestoredField::LNAGain;
    case SettingVGAGain: return RestoredField::VGAGain;
    case SettingLOFrequency: return RestoredField::LOFrequency;
  }
  return RestoredField::Nothing;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool accepted = data[0] & 1;
  const bool no_text = data[0] & 2;
  const int number = static_cast<int8_t>(data[1]);
  const size_t length = size - 2;
  std::unique_ptr<char[]> buffer(new char[length + 1]);
  memcpy(buffer.get(), data + 2, length);
  buffer[length] = '\0';
  const char* text = no_text ? nullptr : buffer.get();

  const SettingChange change = DecideSettingRestore(number, text, accepted);
  FUZZ_CHECK(WithinRange(change));
  // Only the number's own field, and only through the gate.
  if (change.field != RestoredField::Nothing) FUZZ_CHECK(change.field == FieldOf(number));
  if (number == SettingIdentifier) {
    const bool identifier = text && strlen(text) == strlen(SettingsIdentifier) && memcmp(text, "Kelvo SDR", 9) == 0;
    FUZZ_CHECK(change == (SettingChange{RestoredField::SettingsAccepted, identifier ? 1 : 0}));
    return 0;
  }
  if (!accepted || !text || number < 0 || number > SettingLOFrequency) {
    FUZZ_CHECK(change.field == RestoredField::Nothing);
    return 0;
  }
  // Numbers 1 to 3 always store something; 4 to 6 may refuse.
  if (number <= SettingExternalClock) FUZZ_CHECK(change.field == FieldOf(number));
  if (number == SettingLOFrequency) FUZZ_CHECK(change == ExpectedLORestore(text));
  return 0;
}

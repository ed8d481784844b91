#include "settings/settings_restore.h"

#include <gtest/gtest.h>

#include <string>

#include "frame/plugin_types.h"

namespace {

struct RestoreCase {
  int number;
  const char* text;  // may be null
  bool accepted;
  SettingChange expected;
};

using F = RestoredField;
constexpr SettingChange Nothing{};

// One restore each: the gate, every row's clamping or refusal, numbers out of range.
const RestoreCase RestoreCases[] = {
    // identifier: exact bytes open the gate, anything else closes it, open or not
    {0, "Kelvo SDR", false, {F::SettingsAccepted, 1}},
    {0, "Kelvo SDR", true, {F::SettingsAccepted, 1}},
    {0, "kelvo sdr", true, {F::SettingsAccepted, 0}},
    {0, "Kelvo SDR ", true, {F::SettingsAccepted, 0}},
    {0, " Kelvo SDR", false, {F::SettingsAccepted, 0}},
    {0, "Kelvo", true, {F::SettingsAccepted, 0}},
    {0, "", true, {F::SettingsAccepted, 0}},
    {0, nullptr, true, {F::SettingsAccepted, 0}},
    // the gate closed: every other number ignored, out-of-range ones too
    {1, "3", false, Nothing},
    {6, "2e8", false, Nothing},
    {7, "1", false, Nothing},
    // numbers beyond 6, negative ones read unsigned
    {7, "1", true, Nothing},
    {-1, "1", true, Nothing},
    {INT32_MIN, "1", true, Nothing},
    {INT32_MAX, "1", true, Nothing},
    // no text: nothing to restore
    {1, nullptr, true, Nothing},
    {2, nullptr, true, Nothing},
    {6, nullptr, true, Nothing},
    // sample-rate row clamped to 0..8
    {1, "-4", true, {F::SampleRateIdx, 0}},
    {1, "0", true, {F::SampleRateIdx, 0}},
    {1, "7", true, {F::SampleRateIdx, 7}},
    {1, "8", true, {F::SampleRateIdx, 8}},
    {1, "12", true, {F::SampleRateIdx, 8}},
    {1, "2147483648", true, {F::SampleRateIdx, 8}},
    {1, "-99999999999", true, {F::SampleRateIdx, 0}},
    {1, "abc", true, {F::SampleRateIdx, 0}},
    {1, " 7 MHz", true, {F::SampleRateIdx, 7}},
    // input always back to RF
    {2, "3", true, {F::SamplingMode, ModeRF}},
    {2, "garbage", true, {F::SamplingMode, ModeRF}},
    // external clock: 1 above 0, else 0
    {3, "2", true, {F::ExternalClock, 1}},
    {3, "1", true, {F::ExternalClock, 1}},
    {3, "0", true, {F::ExternalClock, 0}},
    {3, "-1", true, {F::ExternalClock, 0}},
    // gains: within range stored, anything else ignored
    {4, "0", true, {F::LNAGain, 0}},
    {4, "3", true, {F::LNAGain, 3}},
    {4, "4", true, Nothing},
    {4, "-1", true, Nothing},
    {4, "x", true, {F::LNAGain, 0}},
    {5, "31", true, {F::VGAGain, 31}},
    {5, "32", true, Nothing},
    {5, "-2147483649", true, Nothing},
    // LO: 50 MHz to 6 GHz inclusive, truncated toward zero; the rest ignored
    {6, "50000000", true, {F::LOFrequency, 50000000}},
    {6, "49999999.9", true, Nothing},
    {6, "6e9", true, {F::LOFrequency, 6000000000}},
    {6, "6000000000.5", true, Nothing},
    {6, "100000000.7", true, {F::LOFrequency, 100000000}},
    {6, "145e6", true, {F::LOFrequency, 145000000}},
    {6, "0x5F5E100", true, {F::LOFrequency, 100000000}},
    {6, "-0X-50000000", true, Nothing},  // a second sign after the prefix is no number
    {6, "inf", true, Nothing},
    {6, "-inf", true, Nothing},
    {6, "nan", true, Nothing},
    {6, "garbage", true, Nothing},
    {6, "", true, Nothing},
};

TEST(SettingsRestore, DecidesOneChange) {
  for (const RestoreCase& c : RestoreCases) {
    SCOPED_TRACE(std::to_string(c.number) + " \"" + (c.text ? c.text : "(null)") + "\"" +
                 (c.accepted ? " accepted" : " not accepted"));
    const SettingChange change = DecideSettingRestore(c.number, c.text, c.accepted);
    EXPECT_EQ(static_cast<int>(change.field), static_cast<int>(c.expected.field));
    EXPECT_EQ(change.value, c.expected.value);
  }
}

}  // namespace

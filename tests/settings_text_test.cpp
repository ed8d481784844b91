#include "settings/settings_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace {

struct IntegerCase {
  const char* text;
  int32_t expected;
};

// Integer reading as the host's stored texts come back.
const IntegerCase IntegerCases[] = {
    {"3", 3},         {"-4", -4},   {"+12", 12},          {"abc", 0},           {"", 0},
    {" 7 MHz", 7},    {"\t\n\v\f\r 5", 5}, {"12abc", 12}, {"- 3", 0},           {"0x10", 0},
    {"2147483647", 2147483647}, {"2147483648", 2147483647}, {"99999999999999999999", 2147483647},
    {"-2147483649", -2147483647 - 1}, {"--1", 0},
};

TEST(SettingsText, ReadsIntegers) {
  for (const IntegerCase& c : IntegerCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadSettingInteger(c.text), c.expected);
  }
}

struct FrequencyCase {
  const char* text;
  double expected;  // NaN: not a number expected
};

const FrequencyCase FrequencyCases[] = {
    {"50000000", 50e6},       {"49999999.9", 49999999.9}, {"100000000.7", 100000000.7},
    {"1e8", 1e8},             {"  +1.5E9xyz", 1.5e9},      {"-2e8", -2e8},
    {"0x5F5E100", 1e8},       {"0x1p3", 8.0},              {"abc", 0.0},
    {"", 0.0},                {".5", 0.5},                 {"1e999", 0.0},
    {"inf", INFINITY},        {"-Infinity", -INFINITY},    {"nan", NAN},
    {"+-5", 0.0},             {"0x-5F5E100", 0.0},        {"-0X-5F5E100", 0.0},
    {"0x+5F5E100", 0.0},
};

TEST(SettingsText, ReadsFrequencies) {
  for (const FrequencyCase& c : FrequencyCases) {
    SCOPED_TRACE(c.text);
    double read = ReadSettingFrequency(c.text);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(read));
    } else {
      EXPECT_EQ(read, c.expected);
    }
  }
}

TEST(SettingsText, FrequencyIgnoresTheLocale) {
  // A host may switch the process to a locale with a decimal comma.
  const char* previous = setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  if (!setlocale(LC_NUMERIC, "German_Germany.1252") && !setlocale(LC_NUMERIC, "de_DE"))
    GTEST_SKIP() << "no locale with a decimal comma here";
  EXPECT_EQ(ReadSettingFrequency("100000000.5"), 100000000.5);
  setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace

// Reading restored setting values. Pure, so they are tested and fuzzed directly.
#pragma once

#include <cstdint>

// Decimal integer as the host stored it: leading white space, an optional
// sign, digits up to the first non-digit; no digits give 0; values beyond
// 32 bits give the nearest bound.
int32_t ReadSettingInteger(const char* text);

// A frequency in hertz, as a 64-bit float read the same way in every locale
// (decimal, exponent, hexadecimal, infinity, not-a-number); text after the
// number is ignored and text without a number reads as 0.
double ReadSettingFrequency(const char* text);

inline constexpr char SettingsIdentifier[] = "Kelvo SDR";

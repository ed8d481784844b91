#include "settings/settings_text.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

static bool IsSettingSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int32_t ReadSettingInteger(const char* text) {
  long long value = strtoll(text, nullptr, 10);  // saturates on overflow
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

static bool StartsWithHexPrefix(const char* text) {
  return text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// from_chars ignores the locale, unlike strtod, whose decimal point follows
// whatever locale the host process has set.
double ReadSettingFrequency(const char* text) {
  while (IsSettingSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  if (*text == '+' || *text == '-') return 0.0;  // a second sign is no number

  std::chars_format format = std::chars_format::general;
  if (StartsWithHexPrefix(text)) {
    text += 2;
    format = std::chars_format::hex;
    // from_chars would take a sign here too, so "-0x-5F5E100" would read as +1e8.
    if (*text == '+' || *text == '-') return 0.0;
  }
  double value = 0.0;
  const char* end = text + strlen(text);
  std::from_chars_result read = std::from_chars(text, end, value, format);
  // Beyond a double's range lies beyond any frequency we accept: read as 0.
  if (read.ec != std::errc()) return 0.0;
  return negative ? -value : value;
}

// Reading a library's device listing into DeviceTable rows. Pure: it touches
// only the buffer and the table it is given, so it is tested and fuzzed directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/plugin_types.h"

// Tokens are runs of characters other than ' ', read up to the first zero
// byte or the end of the buffer, whichever comes first.
struct ListingTokens {
  const char* text;
  size_t size;
  size_t pos = 0;

  // The next token, or false when none is left.
  bool Next(const char** token, size_t* length);
};

inline constexpr char SdrNameMarker[] = " (rapix)";

// Appends up to `count` listed devices of one library from row `next_row` on,
// with DeviceLibIndex counting from 0, and returns the row after the last
// written. Stops at the last token and at `max_rows`. A name too long for its
// row is shortened, an sdr name keeping its marker; the library index still
// names the right receiver.
int AppendListedDevices(const char* buffer, size_t buffer_size, uint32_t count, DeviceKindValue kind,
                        DeviceRow* table, int next_row, int max_rows);

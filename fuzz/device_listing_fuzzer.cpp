// A library's device listing into the device table, as InitHW reads it.
// Input: byte 0 = kind (bit 0: sdr) and first row (bits 1..7, modulo 65);
// bytes 1..4 = the library's count, little-endian; the rest = the listing
// buffer, at most 256 bytes, given at its exact size and not terminated.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "device/device_listing.h"
#include "fuzz/fuzz_check.h"

static constexpr size_t ListingBufferSize = 256;
static constexpr unsigned char Untouched = 0xA5;

// Tokens as a reader that knows nothing of the plug-in would split them.
static std::vector<std::string_view> SpaceSeparatedTokens(const char* text, size_t size) {
  std::string_view listing(text, size);
  listing = listing.substr(0, listing.find('\0'));
  std::vector<std::string_view> tokens;
  size_t pos = 0;
  while ((pos = listing.find_first_not_of(' ', pos)) != std::string_view::npos) {
    const size_t end = std::min(listing.find(' ', pos), listing.size());
    tokens.push_back(listing.substr(pos, end - pos));
    pos = end;
  }
  return tokens;
}

static bool IsUntouched(const DeviceRow& row) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&row);
  for (size_t i = 0; i < sizeof row; ++i)
    if (bytes[i] != Untouched) return false;
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const DeviceKindValue kind = (data[0] & 1) ? DeviceKindSdr : DeviceKindRx;
  const int first_row = (data[0] >> 1) % (MaxDevices + 1);
  uint32_t count;
  memcpy(&count, data + 1, sizeof count);
  const size_t buffer_size = std::min(size - 5, ListingBufferSize);

  // Exact sizes on the heap, so that a read or write one byte beyond is caught.
  std::unique_ptr<char[]> buffer(new char[buffer_size]);
  memcpy(buffer.get(), data + 5, buffer_size);
  std::unique_ptr<DeviceRow[]> table(new DeviceRow[MaxDevices]);
  memset(table.get(), Untouched, sizeof(DeviceRow) * MaxDevices);

  const int next_row =
      AppendListedDevices(buffer.get(), buffer_size, count, kind, table.get(), first_row, MaxDevices);

  const std::vector<std::string_view> tokens = SpaceSeparatedTokens(buffer.get(), buffer_size);
  size_t expected_rows = std::min<size_t>(tokens.size(), MaxDevices - first_row);
  if (count < expected_rows) expected_rows = count;
  FUZZ_CHECK(next_row >= first_row && next_row <= MaxDevices);
  FUZZ_CHECK(static_cast<size_t>(next_row - first_row) == expected_rows);

  const size_t marker = kind == DeviceKindSdr ? strlen(SdrNameMarker) : 0;
  for (int r = 0; r < MaxDevices; ++r) {
    const DeviceRow& row = table[r];
    if (r < first_row || r >= next_row) {
      FUZZ_CHECK(IsUntouched(row));
      continue;
    }
    const uint32_t listed = static_cast<uint32_t>(r - first_row);
    FUZZ_CHECK(row.DeviceKind == kind);
    FUZZ_CHECK(row.DeviceLibIndex >= 0 && static_cast<uint32_t>(row.DeviceLibIndex) == listed);
    FUZZ_CHECK(static_cast<uint32_t>(row.DeviceLibIndex) < count);
    const size_t length = strnlen(row.DeviceName, DeviceNameSize);
    FUZZ_CHECK(length < DeviceNameSize);  // terminated within its field
    // The token, shortened if need be, then the sdr marker.
    const std::string_view token = tokens[listed];
    FUZZ_CHECK(length > marker);
    const std::string_view name(row.DeviceName, length);
    const size_t kept = length - marker;
    FUZZ_CHECK(kept == std::min(token.size(), DeviceNameSize - 1 - marker));
    FUZZ_CHECK(name.substr(0, kept) == token.substr(0, kept));
    FUZZ_CHECK(name.substr(kept) == std::string_view(SdrNameMarker, marker));
  }
  return 0;
}

#include "device/device_listing.h"

#include <cstring>

bool ListingTokens::Next(const char** token, size_t* length) {
  while (pos < size && text[pos] == ' ') ++pos;
  if (pos >= size || text[pos] == '\0') return false;
  size_t start = pos;
  while (pos < size && text[pos] != ' ' && text[pos] != '\0') ++pos;
  *token = text + start;
  *length = pos - start;
  return true;
}

static void WriteDeviceName(char (&name)[DeviceNameSize], const char* token, size_t length,
                            DeviceKindValue kind) {
  const size_t marker_length = kind == DeviceKindSdr ? sizeof(SdrNameMarker) - 1 : 0;
  const size_t room = DeviceNameSize - 1 - marker_length;
  if (length > room) length = room;
  memcpy(name, token, length);
  memcpy(name + length, SdrNameMarker, marker_length);
  name[length + marker_length] = '\0';
}

int AppendListedDevices(const char* buffer, size_t buffer_size, uint32_t count, DeviceKindValue kind,
                        DeviceRow* table, int next_row, int max_rows) {
  ListingTokens tokens{buffer, buffer_size};
  const char* token;
  size_t length;
  for (uint32_t listed = 0; listed < count && next_row < max_rows; ++listed) {
    if (!tokens.Next(&token, &length)) break;
    DeviceRow& row = table[next_row++];
    WriteDeviceName(row.DeviceName, token, length, kind);
    row.DeviceKind = kind;
    row.DeviceLibIndex = static_cast<int32_t>(listed);
  }
  return next_row;
}

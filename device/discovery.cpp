// InitHW: the plug-in's identity and the listing of every attached receiver.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "device/device_listing.h"
#include "frame/entry_points.h"

static const char PluginName[10] = "Kelvo SDR";

// The diagnostic goes to the host's console device, not its standard output:
// a host without a console simply loses it.
static void WriteConsoleLine(const char* text) {
  HANDLE console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(console, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  CloseHandle(console);
}

bool EXTIO_CALL InitHW(char* name, char* model, int* type) {
  *type = HardwareTypeFloat32;
  memcpy(name, PluginName, sizeof PluginName);
  memcpy(model, PluginName, sizeof PluginName);
  if (State.Initialised) return true;

  // One buffer for both listings, cleared once: the sdr library writes over
  // what the rx library left.
  char listing[KELVO_LIST_BUFFER_SIZE] = {};
  uint32_t rx_count = static_cast<uint32_t>(kelvo_rx_list_devices(listing));
  int rows = AppendListedDevices(listing, sizeof listing, rx_count, DeviceKindRx, DeviceTable, 0, MaxDevices);
  uint32_t sdr_count = static_cast<uint32_t>(kelvo_sdr_list_devices(listing));
  rows = AppendListedDevices(listing, sizeof listing, sdr_count, DeviceKindSdr, DeviceTable, rows, MaxDevices);
  State.DeviceCount = rows;

  if (rows == 0) {
    MessageBoxA(nullptr, "No Kelvo SDR devices found", "ExtIO Kelvo SDR", MB_ICONERROR);
    return false;
  }
  char line[64];
  snprintf(line, sizeof line, "found %d Kelvo SDR devices\n", rows);
  WriteConsoleLine(line);
  State.Initialised = true;
  return true;
}

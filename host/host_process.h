#pragma once

#include <windows.h>

// What a host program has loaded before any plug-in: the common controls.
// Loading them later, while another thread is already using windows, can
// deadlock Wine's loader; unloading them with a plug-in hangs later calls.
inline void LoadHostLibraries() {
  static HMODULE common_controls = LoadLibraryA("comctl32.dll");
  (void)common_controls;
}

#pragma once

#include <windows.h>

// Handles the window messages waiting for the calling thread, as a host's
// message loop does for the thread that called OpenHW.
inline void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

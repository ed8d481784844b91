#include <windows.h>

#include "frame/plugin_state.h"

// Keeps the module handle for the dialog resource. Nothing is released at
// detach: the host stops and closes before it unloads us.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) State.ModuleInstance = instance;
  return TRUE;
}

// The 22 entry points that an ExtIO host resolves by name. Each uses the
// Windows API calling convention (the callee removes its arguments); the
// module definition file exports them under their plain and decorated names.
#pragma once

#include <cstdint>

#include "frame/plugin_state.h"

#define EXTIO_API extern "C"
#define EXTIO_CALL __stdcall

// Reports name and model "Kelvo SDR" and hardware type 7, and lists the receivers.
EXTIO_API bool EXTIO_CALL InitHW(char* name, char* model, int* type);
// Opens the receiver in row SelectedDevice; true when open and initialised.
EXTIO_API bool EXTIO_CALL OpenHW();
// Starts streaming at the LO in hertz (sign-extended); 32768 on success, else -1.
EXTIO_API int EXTIO_CALL StartHW(int32_t lo_hz);
EXTIO_API int EXTIO_CALL StartHW64(int64_t lo_hz);
// Ends the stream, if any, and waits for its worker.
EXTIO_API void EXTIO_CALL StopHW();
// Closes the receiver and destroys the control dialog.
EXTIO_API void EXTIO_CALL CloseHW();
// Tunes to the LO in hertz (clamped to 50 MHz..6 GHz); returns the LO in effect.
EXTIO_API int32_t EXTIO_CALL SetHWLO(int32_t lo_hz);
EXTIO_API int64_t EXTIO_CALL SetHWLO64(int64_t lo_hz);
// Always 0.
EXTIO_API int EXTIO_CALL GetStatus();
// Registers the host callback (null: none).
EXTIO_API void EXTIO_CALL SetCallback(HostCallbackFn callback);
// The LO to display, in hertz (32-bit: low 32 bits).
EXTIO_API int32_t EXTIO_CALL GetHWLO();
EXTIO_API int64_t EXTIO_CALL GetHWLO64();
// The selected sample rate in hertz.
EXTIO_API int EXTIO_CALL GetHWSR();
// Host name and version; ignored.
EXTIO_API void EXTIO_CALL VersionInfo(const char* host_name, int major, int minor);
// Rate of row 0..8 into *rate_hz: 0, or 1 for no such row.
EXTIO_API int EXTIO_CALL ExtIoGetSrates(int row, double* rate_hz);
// The selected sample-rate row.
EXTIO_API int EXTIO_CALL ExtIoGetActualSrateIdx();
// Selects row 0..8: 0, or 1 when refused.
EXTIO_API int EXTIO_CALL ExtIoSetSrate(int row);
// Setting number 0..5 as key and value text (1024-byte buffers): 0, or -1.
EXTIO_API int EXTIO_CALL ExtIoGetSetting(int number, char* description, char* value);
// Restores setting number 0..6 from text; number 0 carries the identifier.
EXTIO_API void EXTIO_CALL ExtIoSetSetting(int number, const char* value);
// Control dialog visibility.
EXTIO_API void EXTIO_CALL ShowGUI();
EXTIO_API void EXTIO_CALL HideGUI();
EXTIO_API void EXTIO_CALL SwitchGUI();

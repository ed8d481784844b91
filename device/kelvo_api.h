// The two vendor libraries that reach Kelvo receivers: the rx library
// (kelvo.dll) and the sdr library (kelvo_sdr.dll). Plain C calling
// convention; every function returns 0 on success unless noted.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef KELVO_SIM_BUILD
#define KELVO_API __declspec(dllexport)
#else
#define KELVO_API __declspec(dllimport)
#endif

typedef void* kelvo_handle;  // opaque device handle; 0 means no device

// Filled buffer of `count` complex samples (I then Q, 32-bit floats).
typedef void (*kelvo_sample_cb)(float* samples, uint32_t count, void* context);

enum { KELVO_LIST_BUFFER_SIZE = 256, KELVO_TEXT_SIZE = 32 };

// ---- rx library, kelvo.dll ----
// Writes the serials separated by spaces; returns the device count (unsigned).
KELVO_API int kelvo_rx_list_devices(char* serials /* 256 bytes */);
KELVO_API int kelvo_rx_open(kelvo_handle* handle, int index);
KELVO_API int kelvo_rx_close(kelvo_handle h);
// hw revision, firmware version, three further texts; 32 bytes each
KELVO_API int kelvo_rx_get_board_info(kelvo_handle h, char* hw, char* fw, char* text3, char* text4,
                                      char* text5);
KELVO_API int kelvo_rx_get_api_info(char* lib_version, char* driver_version /* 32 bytes each */);
KELVO_API int kelvo_rx_set_samplerate(kelvo_handle h, double rate_hz, void* reserved /* null */);
KELVO_API int kelvo_rx_set_frequency(kelvo_handle h, double freq_hz, void* reserved /* null */);
KELVO_API int kelvo_rx_set_direct_sampling(kelvo_handle h, int enable /* 0 RF, 1 direct */);
KELVO_API int kelvo_rx_set_lna_gain(kelvo_handle h, int step /* 0..3 */);
KELVO_API int kelvo_rx_set_vga_gain(kelvo_handle h, int step /* 0..31 */);
KELVO_API int kelvo_rx_set_user_gpo(kelvo_handle h, int bits /* 8 outputs */);
KELVO_API int kelvo_rx_set_clk_source(kelvo_handle h, int external /* 0 or 1 */);
// Blocks the calling thread, delivering buffers until kelvo_rx_cancel_async.
KELVO_API int kelvo_rx_read_async(kelvo_handle h, kelvo_sample_cb callback, void* context,
                                  uint32_t buffer_count, uint32_t samples_per_buffer);
KELVO_API int kelvo_rx_cancel_async(kelvo_handle h);

// ---- sdr library, kelvo_sdr.dll ----
KELVO_API int kelvo_sdr_list_devices(char* serials /* 256 bytes */);
KELVO_API int kelvo_sdr_open(kelvo_handle* handle, int index);
KELVO_API int kelvo_sdr_close(kelvo_handle h);
KELVO_API int kelvo_sdr_get_board_info(kelvo_handle h, char* hw, char* fw, char* text3,
                                       char* text4, char* text5);
KELVO_API int kelvo_sdr_set_samplerate(kelvo_handle h, double rate_hz);
KELVO_API int kelvo_sdr_set_frequency(kelvo_handle h, double freq_hz);
KELVO_API int kelvo_sdr_set_auto_bandwidth(kelvo_handle h, double factor);
KELVO_API int kelvo_sdr_set_direct_sampling(kelvo_handle h, int enable /* 0 RF, 1 direct */);
KELVO_API int kelvo_sdr_set_lna_gain(kelvo_handle h, int step /* 0..3 */);
KELVO_API int kelvo_sdr_set_vga_gain(kelvo_handle h, int step /* 0..31 */);
KELVO_API int kelvo_sdr_set_user_gpo(kelvo_handle h, int bits /* 8 outputs */);
KELVO_API int kelvo_sdr_set_clk_source(kelvo_handle h, int external /* 0 or 1 */);
KELVO_API int kelvo_sdr_read_async(kelvo_handle h, kelvo_sample_cb callback, void* context,
                                   uint32_t buffer_count, uint32_t samples_per_buffer);
KELVO_API int kelvo_sdr_cancel_async(kelvo_handle h);

#ifdef __cplusplus
}
#endif

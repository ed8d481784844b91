// Test-double controls of the simulated kelvo.dll and kelvo_sdr.dll.
//
// Both simulated libraries export these same functions; each acts on its own
// library's state, except the journal, which both libraries share so that it
// records every call of either library in the order the calls were made.
// A host harness reaches them with GetProcAddress on the loaded library.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef KELVO_SIM_BUILD
#define KELVO_SIM_API __declspec(dllexport)
#else
#define KELVO_SIM_API __declspec(dllimport)
#endif

// Back to the receiver face: devices and signal from the environment
// (see simulator/README.md), every scripted result 0, default board and API
// texts, generated signal, paced delivery, no block limit. Also clears the
// shared journal and this library's counters. Fails (returns non-zero) while
// a read of this library is running.
KELVO_SIM_API int kelvo_sim_reset(void);

// Result that an operation returns from now on. Names are the function
// names without the library prefix: "open", "close", "get_board_info",
// "get_api_info", "set_samplerate", "set_frequency", "set_auto_bandwidth",
// "set_direct_sampling", "set_lna_gain", "set_vga_gain", "set_user_gpo",
// "set_clk_source", "read_async" (returned when the read ends),
// "cancel_async". Returns non-zero for an unknown name.
KELVO_SIM_API int kelvo_sim_set_result(const char* operation, int result);

// The attached devices: serial texts separated by spaces ("" for none).
// The listing then reports their count and writes this text.
KELVO_SIM_API void kelvo_sim_set_devices(const char* serials);

// A raw listing, for hostile cases: the list call copies exactly `length`
// bytes (at most 256, no terminator added) into the caller's buffer and
// returns `count`. Cleared by kelvo_sim_set_devices and kelvo_sim_reset.
// Any index below 1024 opens while a raw listing is set.
KELVO_SIM_API void kelvo_sim_set_raw_listing(uint32_t count, const char* bytes, int length);

// Raw board text number `which` (0..4: hw revision, firmware, texts 3-5):
// `length` bytes (at most 32) copied verbatim, the rest of the 32 zero.
KELVO_SIM_API void kelvo_sim_set_board_text(int which, const char* bytes, int length);

// Raw API text number `which` (0 library version, 1 driver version), as above.
// With `write` 0 the call leaves the caller's buffers untouched.
KELVO_SIM_API void kelvo_sim_set_api_text(int which, const char* bytes, int length);
KELVO_SIM_API void kelvo_sim_set_api_writes(int write);

// Block contents: every delivered block is filled with `values` repeated
// cyclically (interleaved I/Q floats). Zero values: back to the generated signal.
KELVO_SIM_API void kelvo_sim_set_block_pattern(const float* values, uint32_t value_count);

// Complex samples per delivered block (0: the count the read asked for).
// Each block is allocated with exactly this many samples.
KELVO_SIM_API void kelvo_sim_set_block_samples(uint32_t samples);

// The read ends by itself, returning the "read_async" result, after
// `blocks` blocks (negative: runs until cancelled).
KELVO_SIM_API void kelvo_sim_set_block_limit(int64_t blocks);

// Numbers every block: with `on` non-zero, both floats of a block's first
// sample carry the bit pattern of the uint32 `first` + this library's
// blocks_delivered before the block (so the first block after a reset is
// `first`). Written over the pattern or signal; the HF1 and HF2 shaping keep
// one of the two in place, so a host finds the number in the first float in
// every input mode. Distinct `first` values tell two libraries' blocks apart.
KELVO_SIM_API void kelvo_sim_set_block_numbering(int on, uint32_t first);

// 1: paced in real time at the set sample rate; 0: as fast as possible.
KELVO_SIM_API void kelvo_sim_set_paced(int paced);

typedef struct KelvoSimStats {
  int64_t blocks_delivered;   // block callbacks made since reset
  int32_t reads_started;      // read_async calls since reset
  int32_t reads_running;      // reads currently inside read_async
  int32_t last_read_priority; // GetThreadPriority of the reading thread at its last block
  uint32_t last_block_samples;
  double sample_rate_hz;      // last rate set on any device (0 if none)
} KelvoSimStats;
KELVO_SIM_API void kelvo_sim_get_stats(KelvoSimStats* stats);

// What a device of this library was last told (the receiver face remembers it).
typedef struct KelvoSimDeviceState {
  int32_t open;
  double sample_rate_hz, frequency_hz, bandwidth_factor;
  int32_t direct_sampling, lna_gain, vga_gain, gpo_bits, external_clock;
} KelvoSimDeviceState;
KELVO_SIM_API int kelvo_sim_get_device_state(int index, KelvoSimDeviceState* state);

// The shared journal: one line per library call, in call order, for example
//   rx.list_devices
//   sdr.open(index=0)
//   rx.set_samplerate(rx#1, 25000000, null)
//   sdr.set_auto_bandwidth(sdr#0, 0.9)
//   rx.read_async(rx#0, cb, null, 16, 32768)
//   rx.read_async.return(0)      -- when a read comes back
// Handles print as <lib>#<device index>, or "?" for a handle the library
// never issued; pointers print as "null", "cb" or "ptr"; numbers with %.15g.
// Copies the lines, each ending in '\n', into `out` (zero-terminated, cut
// to `size`) and returns the length of the whole journal text.
KELVO_SIM_API int kelvo_sim_journal(char* out, int size);
KELVO_SIM_API void kelvo_sim_journal_clear(void);

#ifdef __cplusplus
}
#endif

// The test-double controls of one simulated device library (kelvo.dll or
// kelvo_sdr.dll), resolved by name from the library the plug-in loaded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "simulator/kelvo_sim_control.h"

class SimulatedLibrary {
 public:
  explicit SimulatedLibrary(const char* dll_name);  // "kelvo.dll" or "kelvo_sdr.dll"
  bool ok() const { return ok_; }

  int (*reset)(void) = nullptr;
  int (*set_result)(const char* operation, int result) = nullptr;
  void (*set_devices)(const char* serials) = nullptr;
  void (*set_raw_listing)(uint32_t count, const char* bytes, int length) = nullptr;
  void (*set_board_text)(int which, const char* bytes, int length) = nullptr;
  void (*set_api_text)(int which, const char* bytes, int length) = nullptr;
  void (*set_api_writes)(int write) = nullptr;
  void (*set_block_pattern)(const float* values, uint32_t value_count) = nullptr;
  void (*set_block_samples)(uint32_t samples) = nullptr;
  void (*set_block_limit)(int64_t blocks) = nullptr;
  void (*set_paced)(int paced) = nullptr;
  void (*set_block_numbering)(int on, uint32_t first) = nullptr;
  void (*get_stats)(KelvoSimStats* stats) = nullptr;
  int (*get_device_state)(int index, KelvoSimDeviceState* state) = nullptr;
  int (*journal)(char* out, int size) = nullptr;
  void (*journal_clear)(void) = nullptr;

  KelvoSimStats Stats() const;
  // The shared journal of both libraries, one call a line.
  std::vector<std::string> JournalLines() const;

 private:
  bool ok_ = false;
};

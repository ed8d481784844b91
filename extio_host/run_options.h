// The options of "extio_host run", parsed from the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class InputMode { Unchanged, RF, IQ, HF1, HF2 };

struct RunOptions {
  std::string plugin_path;        // empty: ExtIO_KelvoSDR.dll beside the program
  int device_row = -1;            // -1: the row the plug-in opens
  std::optional<double> rate_hz;  // by value, matched against the plug-in's rate list
  int rate_row = -1;              // by row of that list; -1: the plug-in's current rate
  InputMode input = InputMode::Unchanged;
  std::optional<int64_t> lo_hz;  // empty: the plug-in's current LO
  double seconds = 5;
  int lna_gain = -1, vga_gain = -1;  // -1: left alone
  std::string out_dir = ".";
  std::string base_name;                 // empty: extio-<UTC time>
  std::string settings_path;             // empty: <out_dir>/extio_host_settings.ini
  std::optional<double> record_seconds;  // empty: the whole stream; 0: no recording
  int queue_blocks = 256;                // blocks the writer may fall behind before blocks are lost
  bool show_progress = true;
};

// Parses the words after "run"; false with a message on any mistake.
bool ParseRunOptions(const std::vector<std::string>& words, RunOptions* options, std::string* error);
// A frequency or rate: "50000000", "50e6", "50M", "12.5k", "1.2G" (hertz).
std::optional<double> ParseHertz(const std::string& text);
std::string InputModeName(InputMode mode);
const char* UsageText();

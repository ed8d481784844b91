// "extio_host run": one session with a plug-in, in the order a host program
// follows: InitHW, SetCallback, settings restore, OpenHW, device, rate, LO,
// the dialog's options, StartHW64, the stream, StopHW, settings save, CloseHW.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "extio_host/run_options.h"
#include "extio_host/stream_receiver.h"
#include "host/extio_plugin.h"

enum RunExitCode : int {
  ExitOk = 0,
  ExitPluginUnusable = 1,  // not loadable, or a required entry point is missing
  ExitNoDevice = 2,        // InitHW returned false
  ExitOpenRefused = 3,     // OpenHW, or the device, rate or input asked for, refused
  ExitStartRefused = 4,    // StartHW64 refused
  ExitBlocksLost = 5,      // the recording could not keep up
  ExitBadStream = 6,       // no blocks, or short ones
  ExitOutputFailed = 7,    // a file could not be written
  ExitUsage = 64,
};

struct RunReport {
  int exit_code = ExitOk;
  std::string failure;             // why, when exit_code is not ExitOk
  std::vector<std::string> notes;  // options not applied, message boxes, changes during the stream

  std::string plugin_path, plugin_name, plugin_model;
  int hardware_type = 0;
  // As the control dialog showed them while streaming ("" and -1 without one).
  int device_row = -1;
  std::string device, serial, board, input;
  int lna_gain = -1, vga_gain = -1;

  int settings_restored = 0, settings_saved = 0;
  int64_t sample_rate_hz = 0;  // GetHWSR once the stream had started
  int64_t lo_hz = 0;           // GetHWLO64 once the stream had started
  int block_samples = 0;       // what StartHW64 returned

  double stream_seconds = 0;  // from the first block to the stop
  int64_t blocks = 0, samples = 0, short_blocks = 0, lost_blocks = 0, recorded_samples = 0;
  std::map<int, int> notifications;  // status -> times
  StreamTiming timing;

  std::string data_path, meta_path, settings_path;
  std::vector<std::string> written;
};

// Runs a session with a loaded plug-in; every outcome is in the report.
RunReport RunSession(ExtioPlugin& plugin, const RunOptions& options);

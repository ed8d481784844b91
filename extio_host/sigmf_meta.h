// The .sigmf-meta file of a recording: SigMF 1.0.0 JSON with the receiver's
// own texts in the "extio" extension namespace (see extio_host/README.md).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SigmfCapture {
  int64_t sample_start;  // index in the data file
  int64_t global_index;  // index in the stream; written only for segments after a gap
  double frequency_hz;
  std::string datetime;  // ISO 8601 UTC; empty: not written
};

struct SigmfRecording {
  double sample_rate_hz;
  std::string recorder;
  std::string hw;
  std::string description;
  // The extension namespace.
  std::string plugin_file, plugin_name, plugin_model;
  int hardware_type;
  int device_row;  // -1: unknown
  std::string device, serial, board, input;
  std::vector<SigmfCapture> captures;
};

std::string FormatSigmfMeta(const SigmfRecording& recording);
// A JSON string literal, quotes included. Bytes that do not form UTF-8 are
// read as Latin-1, so any byte string gives valid JSON.
std::string JsonString(std::string_view bytes);

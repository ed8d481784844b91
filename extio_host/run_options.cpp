#include "extio_host/run_options.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

const char* UsageText() {
  return "usage: extio_host list [plugin.dll]\n"
         "       extio_host screenshot out.bmp [plugin.dll]\n"
         "       extio_host run [options]\n"
         "\n"
         "run: streams from a receiver as an ExtIO host does and records SigMF.\n"
         "  --plugin PATH          ExtIO plug-in DLL (default: ExtIO_KelvoSDR.dll beside this program)\n"
         "  --device ROW           receiver row, as \"list\" shows it (set in the plug-in's control dialog)\n"
         "  --rate HZ              sample rate by value: 8000000, 8e6, 8M\n"
         "  --rate-row N           sample rate by row of the plug-in's rate list\n"
         "  --input MODE           rf, iq, hf1 or hf2 (set in the plug-in's control dialog)\n"
         "  --lo HZ                LO frequency (default: the plug-in's current LO)\n"
         "  --seconds S            stream duration (default 5)\n"
         "  --lna N, --vga N       LNA and VGA gain (set in the plug-in's control dialog)\n"
         "  --out DIR              output directory (default: the current one)\n"
         "  --name BASE            recording base name (default: extio-<UTC time>)\n"
         "  --settings FILE        plug-in settings file (default: DIR\\extio_host_settings.ini)\n"
         "  --record-seconds S     record at most the first S seconds of the stream (0: none)\n"
         "  --queue-blocks N       blocks the disk writer may fall behind (default 256)\n"
         "  --quiet                no progress line\n";
}

std::optional<double> ParseHertz(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  double scale = 1;
  if (*end == 'k' || *end == 'K') scale = 1e3;
  if (*end == 'M') scale = 1e6;
  if (*end == 'G' || *end == 'g') scale = 1e9;
  if (scale != 1) ++end;
  if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value * scale;
}

static std::optional<int> ParseCount(const std::string& text) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 1000000) return std::nullopt;
  return static_cast<int>(value);
}

static std::optional<double> ParseSeconds(const std::string& text) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0) return std::nullopt;
  return value;
}

std::string InputModeName(InputMode mode) {
  switch (mode) {
    case InputMode::RF:
      return "rf";
    case InputMode::IQ:
      return "iq";
    case InputMode::HF1:
      return "hf1";
    case InputMode::HF2:
      return "hf2";
    default:
      return "unchanged";
  }
}

bool ParseRunOptions(const std::vector<std::string>& words, RunOptions* options, std::string* error) {
  RunOptions& o = *options;
  using Setter = std::function<bool(const std::string&)>;
  auto count = [](int* field) {
    return [field](const std::string& text) {
      std::optional<int> value = ParseCount(text);
      if (value) *field = *value;
      return value.has_value();
    };
  };
  auto text = [](std::string* field) {
    return [field](const std::string& value) {
      *field = value;
      return !value.empty();
    };
  };
  const std::map<std::string, Setter> setters = {
      {"--plugin", text(&o.plugin_path)},
      {"--device", count(&o.device_row)},
      {"--rate",
       [&](const std::string& t) {
         o.rate_hz = ParseHertz(t);
         return o.rate_hz && *o.rate_hz > 0;
       }},
      {"--rate-row", count(&o.rate_row)},
      {"--input",
       [&](const std::string& t) {
         o.input = InputMode::Unchanged;
         for (InputMode mode : {InputMode::RF, InputMode::IQ, InputMode::HF1, InputMode::HF2})
           if (t == InputModeName(mode)) o.input = mode;
         return o.input != InputMode::Unchanged;
       }},
      {"--lo",
       [&](const std::string& t) {
         std::optional<double> hz = ParseHertz(t);
         if (!hz || std::fabs(*hz) > 9e18) return false;
         o.lo_hz = std::llround(*hz);
         return true;
       }},
      {"--seconds", [&](const std::string& t) { return (o.seconds = ParseSeconds(t).value_or(0)) > 0; }},
      {"--lna", count(&o.lna_gain)},
      {"--vga", count(&o.vga_gain)},
      {"--out", text(&o.out_dir)},
      {"--name", text(&o.base_name)},
      {"--settings", text(&o.settings_path)},
      {"--record-seconds", [&](const std::string& t) { return (o.record_seconds = ParseSeconds(t)).has_value(); }},
      {"--queue-blocks", [&](const std::string& t) { return count(&o.queue_blocks)(t) && o.queue_blocks > 0; }},
  };
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--quiet") {
      o.show_progress = false;
      continue;
    }
    auto setter = setters.find(word);
    if (setter == setters.end()) {
      *error = "unknown option " + word;
      return false;
    }
    if (i + 1 >= words.size()) {
      *error = word + " needs a value";
      return false;
    }
    if (!setter->second(words[++i])) {
      *error = "bad value for " + word + ": " + words[i];
      return false;
    }
  }
  if (o.rate_hz && o.rate_row >= 0) {
    *error = "give --rate or --rate-row, not both";
    return false;
  }
  return true;
}

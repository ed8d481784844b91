#include "extio_host/sigmf_meta.h"

#include <cstdio>

// Length of the well-formed UTF-8 sequence at `at`, or 0.
static size_t Utf8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  static const uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < Smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  for (size_t i = 0; i < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t length = Utf8SequenceLength(bytes, i);
    if (length == 0) {  // a stray byte: its Latin-1 character
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.append(bytes.substr(i, length));
    }
    i += length;
  }
  return out + "\"";
}

static std::string Number(double value) {
  char text[40];
  snprintf(text, sizeof text, "%.17g", value);
  return text;
}

static std::string Field(const char* key, const std::string& json_value) {
  return std::string("    ") + JsonString(key) + ": " + json_value;
}

static std::string Capture(const SigmfCapture& capture) {
  std::string text = "    {\"core:sample_start\": " + std::to_string(capture.sample_start);
  if (capture.global_index >= 0) text += ", \"core:global_index\": " + std::to_string(capture.global_index);
  text += ", \"core:frequency\": " + Number(capture.frequency_hz);
  if (!capture.datetime.empty()) text += ", \"core:datetime\": " + JsonString(capture.datetime);
  return text + "}";
}

std::string FormatSigmfMeta(const SigmfRecording& r) {
  std::vector<std::string> global = {
      Field("core:datatype", "\"cf32_le\""),
      Field("core:sample_rate", Number(r.sample_rate_hz)),
      Field("core:version", "\"1.0.0\""),
      Field("core:recorder", JsonString(r.recorder)),
      Field("core:hw", JsonString(r.hw)),
      Field("core:description", JsonString(r.description)),
      Field("core:extensions", "[{\"name\": \"extio\", \"version\": \"1.0.0\", \"optional\": true}]"),
      Field("extio:plugin_file", JsonString(r.plugin_file)),
      Field("extio:plugin_name", JsonString(r.plugin_name)),
      Field("extio:plugin_model", JsonString(r.plugin_model)),
      Field("extio:hardware_type", std::to_string(r.hardware_type)),
      Field("extio:device_row", std::to_string(r.device_row)),
      Field("extio:device", JsonString(r.device)),
      Field("extio:serial", JsonString(r.serial)),
      Field("extio:board", JsonString(r.board)),
      Field("extio:input", JsonString(r.input)),
  };
  std::string text = "{\n  \"global\": {\n";
  for (size_t i = 0; i < global.size(); ++i) text += global[i] + (i + 1 < global.size() ? ",\n" : "\n");
  text += "  },\n  \"captures\": [\n";
  for (size_t i = 0; i < r.captures.size(); ++i)
    text += Capture(r.captures[i]) + (i + 1 < r.captures.size() ? ",\n" : "\n");
  text += "  ],\n  \"annotations\": []\n}\n";
  return text;
}

#include "extio_host/run_summary.h"

#include <string>

static const char* StatusName(int status) {
  switch (status) {
    case 100:
      return " (sample rate changed)";
    case 101:
      return " (LO changed)";
    case 125:
      return " (gain changed)";
    default:
      return "";
  }
}

static void Line(std::FILE* out, const char* label, const std::string& text) {
  std::fprintf(out, "  %-14s %s\n", label, text.c_str());
}

static std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

static void PrintReceiver(const RunReport& r, std::FILE* out) {
  Line(out, "plug-in",
       r.plugin_path + ": \"" + r.plugin_name + "\", model \"" + r.plugin_model + "\", hardware type " +
           std::to_string(r.hardware_type));
  if (r.device_row >= 0)
    Line(out, "receiver",
         "row " + std::to_string(r.device_row) + " \"" + r.device + "\", serial \"" + r.serial + "\", " + r.board);
  if (!r.input.empty() || r.lna_gain >= 0 || r.vga_gain >= 0)
    Line(out, "dialog shows",
         "input \"" + r.input + "\", LNA gain " + std::to_string(r.lna_gain) + ", VGA gain " +
             std::to_string(r.vga_gain));
  Line(out, "settings",
       std::to_string(r.settings_restored) + " restored, " + std::to_string(r.settings_saved) + " saved (" +
           r.settings_path + ")");
}

// The thread's CPU time holds the device library, the plug-in and this host's
// callback; the callback's wall time is taken off to leave the first two.
static void PrintThreadTime(const RunReport& r, std::FILE* out) {
  const StreamTiming& t = r.timing;
  const double blocks = static_cast<double>(t.blocks);
  const double block_us = r.sample_rate_hz > 0 ? r.block_samples * 1e6 / r.sample_rate_hz : 0;
  const double cpu_us = t.cpu_seconds / blocks * 1e6, callback_us = t.callback_seconds / blocks * 1e6;
  Line(out, "stream thread",
       Format("%.1f us CPU per block over %.0f blocks (GetThreadTimes), for the device library,", cpu_us, blocks));
  Line(
      out, "",
      Format("the plug-in and this host's callback, whose wall time is %.1f us per block (it copies the", callback_us));
  Line(out, "",
       Format("block for the recording); the difference, %.1f us per block = %.1f %% of the block's %.1f us,",
              cpu_us - callback_us, block_us > 0 ? 100 * (cpu_us - callback_us) / block_us : 0, block_us));
  Line(out, "", "is the time of the device library and the plug-in");
  if (t.cpu_seconds < 0.2)
    Line(out, "",
         Format("(only %.0f ms of CPU time in all: too few of the thread clock's coarse steps to trust; "
                "stream longer)",
                t.cpu_seconds * 1e3));
}

static void PrintStream(const RunReport& r, std::FILE* out) {
  Line(out, "sample rate", std::to_string(r.sample_rate_hz) + " Hz (GetHWSR)");
  Line(out, "LO", std::to_string(r.lo_hz) + " Hz (GetHWLO64)");
  Line(out, "received",
       std::to_string(r.blocks) + " blocks, " + std::to_string(r.samples) + " samples in " +
           Format("%.2f s", r.stream_seconds));
  const StreamTiming& t = r.timing;
  if (t.measured && r.sample_rate_hz > 0) {
    const double rate = static_cast<double>(t.blocks) * r.block_samples / t.wall_seconds;
    Line(out, "achieved rate",
         Format("%.4f MS/s = %.4f x nominal", rate / 1e6, rate / r.sample_rate_hz) +
             Format(" (over %.0f blocks in %.2f s)", static_cast<double>(t.blocks), t.wall_seconds));
  }
  std::string notes;
  for (const auto& [status, times] : r.notifications)
    notes += (notes.empty() ? "" : ", ") + std::to_string(status) + StatusName(status) + " x" + std::to_string(times);
  Line(out, "notifications", notes.empty() ? "none" : notes);
  Line(out, "lost blocks", std::to_string(r.lost_blocks) + " (found the disk writer's queue full)");
  Line(out, "short blocks",
       std::to_string(r.short_blocks) + " (count other than " + std::to_string(r.block_samples) + ", or no data)");
  if (t.measured) PrintThreadTime(r, out);
}

void PrintRunSummary(const RunReport& r, std::FILE* out) {
  std::fprintf(out, "summary\n");
  PrintReceiver(r, out);
  if (r.blocks > 0 || r.block_samples > 0) PrintStream(r, out);
  if (!r.data_path.empty())
    Line(out, "recorded",
         std::to_string(r.recorded_samples) + " samples" +
             (r.sample_rate_hz > 0 ? Format(" (%.3f s)", double(r.recorded_samples) / r.sample_rate_hz) : ""));
  for (size_t i = 0; i < r.written.size(); ++i) Line(out, i == 0 ? "written" : "", r.written[i]);
  for (const std::string& note : r.notes) Line(out, "note", note);
  Line(out, "result", r.exit_code == ExitOk ? "ok" : "FAILED (exit " + std::to_string(r.exit_code) + "): " + r.failure);
}

#include "extio_host/run_session.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>

#include "extio_host/block_writer.h"
#include "extio_host/clock.h"
#include "extio_host/plugin_dialog.h"
#include "extio_host/plugin_settings.h"
#include "extio_host/sigmf_meta.h"
#include "host/message_box_watcher.h"
#include "host/message_pump.h"

namespace {

constexpr int StatusSampleRateChanged = 100;
constexpr int StatusLOChanged = 101;
constexpr int64_t DefaultLOHz = 100000000;   // for a plug-in that cannot tell its LO
constexpr int ExpectedBlockSamples = 32768;  // the first guess for the writer's buffers
constexpr double NoBlockGraceSeconds = 2;
constexpr int FloatIQHardwareType = 7;  // what InitHW reports for blocks of interleaved float32 I/Q

// Ctrl+C or Ctrl+Break ends the stream early, through the usual stop and save.
std::atomic<bool> interrupted{false};
BOOL WINAPI OnConsoleBreak(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  interrupted = true;
  return TRUE;
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

std::string Hertz(int64_t hz) { return std::to_string(hz) + " Hz"; }

class Session {
 public:
  Session(ExtioPlugin& plugin, const RunOptions& options, RunReport& report)
      : plugin_(plugin), api_(plugin.api), options_(options), report_(report) {}

  void Run() {
    interrupted = false;
    SetConsoleCtrlHandler(OnConsoleBreak, TRUE);
    Steps();
    SetConsoleCtrlHandler(OnConsoleBreak, FALSE);
    for (const SeenMessageBox& box : message_boxes_.Seen())
      Note("message box \"" + Utf8(box.text) + "\" (" + Utf8(box.caption) + ")");
    report_.notifications = receiver_.notifications();
  }

 private:
  void Steps() {
    if (!EntryPointsPresent() || !PrepareOutput() || !Initialise()) return;
    api_.SetCallback(StreamReceiver::Callback);
    Restore();
    if (!api_.OpenHW()) {
      Fail(ExitOpenRefused, "OpenHW refused: the receiver could not be opened");
      api_.CloseHW();
      return;
    }
    PumpMessages();
    dialog_ = PluginDialog::Find(plugin_.module());
    if (ChooseDevice() && ChooseRate()) {
      Tune();
      if (ApplyDialogOptions() && Start()) {
        Stream();
        Stop();
      }
    }
    Save();
    api_.CloseHW();
    PumpMessages();
    FinishRecording();
  }

  void Fail(int code, const std::string& why) {
    if (report_.exit_code != ExitOk) return;  // the first failure names the run
    report_.exit_code = code;
    report_.failure = why;
  }
  void Note(const std::string& note) { report_.notes.push_back(note); }

  bool EntryPointsPresent() {
    std::string missing;
    const std::pair<const char*, bool> required[] = {
        {"InitHW", api_.InitHW != nullptr},
        {"OpenHW", api_.OpenHW != nullptr},
        {"StopHW", api_.StopHW != nullptr},
        {"CloseHW", api_.CloseHW != nullptr},
        {"SetCallback", api_.SetCallback != nullptr},
        {"StartHW64 or StartHW", api_.StartHW64 != nullptr || api_.StartHW != nullptr}};
    for (const auto& [name, present] : required)
      if (!present) missing += std::string(missing.empty() ? "" : ", ") + name;
    if (!missing.empty()) Fail(ExitPluginUnusable, "the plug-in lacks " + missing);
    return missing.empty();
  }

  bool PrepareOutput() {
    std::error_code failed;
    std::filesystem::create_directories(options_.out_dir, failed);
    if (failed) {
      Fail(ExitOutputFailed, "cannot create " + options_.out_dir + ": " + failed.message());
      return false;
    }
    const std::string& out = options_.out_dir;
    const char separator = out.find('/') != std::string::npos && out.find('\\') == std::string::npos ? '/' : '\\';
    const std::string dir = out.back() == '/' || out.back() == '\\' ? out : out + separator;
    report_.settings_path = options_.settings_path.empty() ? dir + "extio_host_settings.ini" : options_.settings_path;
    const std::string base = options_.base_name.empty() ? "extio-" + UtcNowCompact() : options_.base_name;
    if (!options_.record_seconds || *options_.record_seconds > 0) {
      report_.data_path = dir + base + ".sigmf-data";
      report_.meta_path = dir + base + ".sigmf-meta";
    }
    return true;
  }

  bool Initialise() {
    if (api_.VersionInfo) api_.VersionInfo("extio_host", 1, 0);
    char name[256] = {}, model[256] = {};
    bool found = api_.InitHW(name, model, &report_.hardware_type);
    report_.plugin_name = name;
    report_.plugin_model = model;
    if (!found) Fail(ExitNoDevice, "no receiver: InitHW returned false");
    return found;
  }

  // The stored settings go back before OpenHW, the identifier first.
  void Restore() {
    if (GetFileAttributesA(report_.settings_path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    std::vector<SettingPair> pairs;
    std::string error;
    if (!ReadSettingsFile(report_.settings_path, &pairs, &error)) {
      Note(error);
      return;
    }
    if (!api_.ExtIoSetSetting) {
      Note("the plug-in takes no settings back (no ExtIoSetSetting)");
      return;
    }
    RestoreSettings(api_, pairs);
    report_.settings_restored = static_cast<int>(pairs.size());
  }

  // A dialog-only option the plug-in offers no way to apply: said, not fatal.
  bool DialogStep(const char* option, const std::string& why) {
    if (why.empty()) return true;
    if (!dialog_.exists() || why.rfind("its control dialog has no", 0) == 0) {
      Note(std::string(option) + " not applied: " + why);
      return true;
    }
    Fail(ExitOpenRefused, std::string(option) + ": " + why);
    return false;
  }

  bool ChooseDevice() {
    if (options_.device_row < 0) return true;
    return DialogStep("--device", dialog_.SelectDevice(options_.device_row));
  }

  int64_t ReadRate() const { return api_.GetHWSR ? api_.GetHWSR() : 0; }
  int64_t ReadLO() const { return api_.GetHWLO64 ? api_.GetHWLO64() : api_.GetHWLO ? api_.GetHWLO() : requested_lo_; }

  bool ChooseRate() {
    int row = options_.rate_row;
    if (options_.rate_hz && api_.ExtIoGetSrates) {
      std::string offered;
      double rate = 0;
      for (int r = 0; r < 100 && api_.ExtIoGetSrates(r, &rate) == 0; ++r) {
        if (std::fabs(rate - *options_.rate_hz) < 0.5) row = r;
        offered += (offered.empty() ? "" : ", ") + std::to_string(std::llround(rate));
      }
      if (row < 0) {
        Fail(ExitOpenRefused, "the plug-in offers no rate of " + std::to_string(std::llround(*options_.rate_hz)) +
                                  " Hz (offered: " + offered + ")");
        return false;
      }
    } else if (options_.rate_hz) {
      Fail(ExitOpenRefused, "the plug-in lists no sample rates (no ExtIoGetSrates)");
      return false;
    }
    if (row < 0) return true;
    if (!api_.ExtIoSetSrate || api_.ExtIoSetSrate(row) != 0) {
      Fail(ExitOpenRefused, "the plug-in refused sample-rate row " + std::to_string(row));
      return false;
    }
    return true;
  }

  void Tune() {
    requested_lo_ = options_.lo_hz ? *options_.lo_hz : (api_.GetHWLO64 || api_.GetHWLO) ? ReadLO() : DefaultLOHz;
    if (api_.SetHWLO64)
      api_.SetHWLO64(requested_lo_);
    else if (api_.SetHWLO)
      api_.SetHWLO(static_cast<int32_t>(requested_lo_));
  }

  bool ApplyDialogOptions() {
    if (options_.input != InputMode::Unchanged && !DialogStep("--input", dialog_.SelectInput(options_.input)))
      return false;
    if (options_.lna_gain >= 0 && !DialogStep("--lna", dialog_.SetLnaGain(options_.lna_gain))) return false;
    if (options_.vga_gain >= 0 && !DialogStep("--vga", dialog_.SetVgaGain(options_.vga_gain))) return false;
    return true;
  }

  // What the plug-in says after it has notified a change (not from within the
  // notification: a plug-in may tell the host before it has stored the value).
  void ReadBackNotified() {
    if (receiver_.TakeNotified(StatusSampleRateChanged)) {
      int64_t rate = ReadRate();
      if (streaming_ && rate != current_rate_)
        Note("sample rate changed during the stream: " + Hertz(current_rate_) + " -> " + Hertz(rate));
      current_rate_ = rate;
    }
    if (receiver_.TakeNotified(StatusLOChanged)) {
      int64_t lo = ReadLO();
      if (streaming_ && lo != current_lo_)
        Note("LO changed during the stream: " + Hertz(current_lo_) + " -> " + Hertz(lo));
      current_lo_ = lo;
    }
  }

  bool OpenRecording() {
    if (report_.data_path.empty()) return true;
    // Blocks of another sample format have another size: streamed and counted, never copied.
    if (report_.hardware_type != FloatIQHardwareType) {
      Note("hardware type " + std::to_string(report_.hardware_type) +
           ": only type 7 (32-bit float I/Q) is recorded; streaming without a recording");
      report_.data_path.clear();
      report_.meta_path.clear();
      return true;
    }
    data_file_ = fopen(report_.data_path.c_str(), "wb");
    if (!data_file_) {
      Fail(ExitOutputFailed, "cannot write " + report_.data_path);
      return false;
    }
    // The cap counts samples at the nominal rate; a plug-in that tells none is recorded whole.
    const double rate = static_cast<double>(ReadRate());
    const int64_t record_samples = options_.record_seconds && rate > 0 ? std::llround(*options_.record_seconds * rate)
                                                                       : std::numeric_limits<int64_t>::max();
    writer_ = std::make_unique<BlockWriter>(FileSink(data_file_), options_.queue_blocks, ExpectedBlockSamples);
    receiver_.RecordInto(writer_.get(), record_samples);
    return true;
  }

  bool Start() {
    if (!OpenRecording()) return false;
    int result = api_.StartHW64 ? api_.StartHW64(requested_lo_) : api_.StartHW(static_cast<int32_t>(requested_lo_));
    if (result <= 0) {
      Fail(ExitStartRefused, "StartHW64 refused (returned " + std::to_string(result) + ")");
      DiscardRecording();
      return false;
    }
    receiver_.SetBlockSamples(result);
    report_.block_samples = result;
    PumpMessages();
    ReadBackNotified();
    report_.sample_rate_hz = current_rate_ = ReadRate();
    report_.lo_hz = current_lo_ = ReadLO();
    streaming_ = true;
    ReadDialog();
    return true;
  }

  // The dialog shows the receiver's texts once the stream has refreshed it.
  void ReadDialog() {
    report_.device_row = dialog_.SelectedDevice();
    std::vector<std::string> rows = dialog_.DeviceRows();
    if (report_.device_row >= 0 && report_.device_row < static_cast<int>(rows.size()))
      report_.device = rows[static_cast<size_t>(report_.device_row)];
    report_.serial = dialog_.Serial();
    report_.board = dialog_.Board();
    report_.input = dialog_.InputText();
    report_.lna_gain = dialog_.LnaGain();
    report_.vga_gain = dialog_.VgaGain();
  }

  void ShowProgress() {
    const double seconds = receiver_.first_block_seconds_ago();
    const int64_t samples = receiver_.samples();
    printf("\r  %6.2f s  %8lld blocks  %7.3f MS/s ", seconds, static_cast<long long>(receiver_.blocks()),
           seconds > 0 ? samples / seconds / 1e6 : 0.0);
    fflush(stdout);
  }

  // Pumps this thread's messages (the dialog lives here) for `seconds`.
  void Wait(double seconds, bool (*done)(Session&)) {
    const int64_t until = QpcNow() + static_cast<int64_t>(seconds / QpcSeconds(1));
    int64_t next_progress = 0;
    while (QpcNow() < until && !(done && done(*this))) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      PumpMessages();
      ReadBackNotified();
      if (options_.show_progress && QpcNow() >= next_progress) {
        ShowProgress();
        next_progress = QpcNow() + static_cast<int64_t>(0.25 / QpcSeconds(1));
      }
    }
  }

  void Stream() {
    // The duration counts from the first block; a stream that never begins is given up a little later.
    Wait(options_.seconds + NoBlockGraceSeconds,
         [](Session& s) { return interrupted || s.receiver_.first_block_seconds_ago() >= s.options_.seconds; });
    // The closing reading of the stream thread's clocks comes with a next block.
    receiver_.RequestEndReading();
    const double block_seconds =
        report_.sample_rate_hz > 0 ? static_cast<double>(report_.block_samples) / report_.sample_rate_hz : 0.1;
    Wait(std::max(0.5, 4 * block_seconds), [](Session& s) { return s.receiver_.EndReadingTaken(); });
    if (options_.show_progress) {
      ShowProgress();
      printf("\n");
    }
    if (interrupted) Note("interrupted: the stream was stopped early");
  }

  void Stop() {
    report_.stream_seconds = receiver_.first_block_seconds_ago();
    api_.StopHW();
    PumpMessages();
    ReadBackNotified();
    streaming_ = false;
    report_.blocks = receiver_.blocks();
    report_.samples = receiver_.samples();
    report_.short_blocks = receiver_.short_blocks();
    report_.timing = receiver_.Timing();
    if (report_.blocks == 0)
      Fail(ExitBadStream, "no blocks arrived");
    else if (report_.short_blocks > 0)
      Fail(ExitBadStream, std::to_string(report_.short_blocks) + " blocks were short or had no data");
  }

  void Save() {
    if (!api_.ExtIoGetSetting) return;
    std::vector<SettingPair> pairs = CollectSettings(api_);
    report_.settings_saved = static_cast<int>(pairs.size());
    if (pairs.empty()) return;
    std::string error;
    if (!WriteSettingsFile(report_.settings_path, pairs,
                           "extio_host: settings of " + FileName(report_.plugin_path) + ", restored at the next run",
                           &error))
      Fail(ExitOutputFailed, error);
    else
      report_.written.push_back(report_.settings_path);
  }

  void DiscardRecording() {
    if (writer_) writer_->Finish();
    writer_.reset();
    if (data_file_) fclose(data_file_);
    data_file_ = nullptr;
    if (!report_.data_path.empty()) DeleteFileA(report_.data_path.c_str());
  }

  SigmfRecording Describe() const {
    SigmfRecording r{};
    r.sample_rate_hz = static_cast<double>(report_.sample_rate_hz);
    r.recorder = "extio_host";
    r.hw = report_.plugin_model;
    if (!report_.serial.empty()) r.hw += ", serial " + report_.serial;
    if (!report_.board.empty()) r.hw += ", " + report_.board;
    r.description = (report_.device.empty() ? report_.plugin_name : report_.device) +
                    (report_.input.empty() ? "" : ", input " + report_.input) + ", through " +
                    FileName(report_.plugin_path);
    r.plugin_file = FileName(report_.plugin_path);
    r.plugin_name = report_.plugin_name;
    r.plugin_model = report_.plugin_model;
    r.hardware_type = report_.hardware_type;
    r.device_row = report_.device_row;
    r.device = report_.device;
    r.serial = report_.serial;
    r.board = report_.board;
    r.input = report_.input;
    return r;
  }

  void FinishRecording() {
    if (!writer_) return;
    const bool written = writer_->Finish();
    report_.lost_blocks = writer_->lost_blocks();
    report_.recorded_samples = writer_->samples_written();
    const bool closed = fclose(data_file_) == 0;
    data_file_ = nullptr;
    if (!written || !closed) Fail(ExitOutputFailed, "cannot write all of " + report_.data_path);
    if (report_.lost_blocks > 0)
      Fail(ExitBlocksLost, std::to_string(report_.lost_blocks) + " blocks lost: the disk writer fell behind");
    report_.written.push_back(report_.data_path);

    SigmfRecording meta = Describe();
    const double lo = static_cast<double>(report_.lo_hz);
    for (const BlockWriter::Segment& s : writer_->segments())
      meta.captures.push_back({s.file_sample, s.stream_sample == s.file_sample ? -1 : s.stream_sample, lo,
                               s.stream_sample == 0 ? receiver_.first_block_datetime() : ""});
    if (meta.captures.empty()) meta.captures.push_back({0, -1, lo, receiver_.first_block_datetime()});
    std::ofstream file(report_.meta_path, std::ios::binary | std::ios::trunc);
    file << FormatSigmfMeta(meta);
    if (!file.flush()) {
      Fail(ExitOutputFailed, "cannot write " + report_.meta_path);
      return;
    }
    report_.written.push_back(report_.meta_path);
  }

  ExtioPlugin& plugin_;
  const ExtioEntryPoints& api_;
  const RunOptions& options_;
  RunReport& report_;
  MessageBoxWatcher message_boxes_;
  StreamReceiver receiver_;
  PluginDialog dialog_;
  std::unique_ptr<BlockWriter> writer_;
  std::FILE* data_file_ = nullptr;
  int64_t requested_lo_ = DefaultLOHz;
  int64_t current_rate_ = 0, current_lo_ = 0;
  bool streaming_ = false;
};

}  // namespace

RunReport RunSession(ExtioPlugin& plugin, const RunOptions& options) {
  RunReport report;
  char path[MAX_PATH] = {};
  GetModuleFileNameA(plugin.module(), path, MAX_PATH);
  report.plugin_path = path;
  Session(plugin, options, report).Run();
  return report;
}

// Streams from the simulated receiver at 50 MS/s through the 64-bit plug-in,
// loaded and driven as a host drives it, once in RF and once in HF1 direct
// sampling, and prints what was produced and received, the achieved rate and
// the CPU time per block.
//
//   stream_benchmark.exe [seconds per run, default 10]
//
// The simulated libraries pace delivery in real time unless KELVO_SIM_UNPACED=1.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "extio_host/clock.h"
#include "host/extio_plugin.h"
#include "host/host_callback.h"
#include "host/message_pump.h"
#include "host/simulated_library.h"

namespace {

constexpr int Rate50MHzRow = 8;
constexpr double NominalRateHz = 50e6;
constexpr int BlockSamples = 32768;
constexpr double BlockMicroseconds = BlockSamples / NominalRateHz * 1e6;  // 655.36
constexpr int64_t StartLOHz = 100000000;
constexpr int InputComboId = 1031;
constexpr int HF1Row = 2;

// What the callback measures. One stream at a time, as a plug-in callback
// carries no context.
struct Measure {
  HANDLE stream_thread = nullptr;  // duplicated from inside the first block call
  int64_t block_calls = 0;         // touched only on the stream thread
  int64_t first_block_qpc = 0;
  double first_cpu = 0;
  int64_t callback_ticks = 0;  // wall time inside the host's recorder, summed
  int64_t callback_max_ticks = 0;
  std::atomic<bool> take_end{false};  // set by the main thread: sample at the next block
  std::atomic<bool> end_taken{false};
  int64_t end_block_calls = 0;
  int64_t end_qpc = 0;
  double end_cpu = 0;
  int64_t end_callback_ticks = 0;
  bool end_block_q_zero = false;  // every Q value of the sampled block is +0.0
};
Measure* measure = nullptr;

void TimedCallback(int count, int status, float value, void* data) {
  Measure& m = *measure;
  if (count <= 0) {
    HostCallbackRecorder::Callback(count, status, value, data);
    return;
  }
  int64_t entry = QpcNow();
  if (m.block_calls == 0) {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &m.stream_thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    m.first_block_qpc = entry;
    m.first_cpu = ThreadCpuSeconds(m.stream_thread);
  } else if (m.take_end.load(std::memory_order_relaxed) && !m.end_taken.load(std::memory_order_relaxed)) {
    // Same point in the call as the first reading: the interval holds whole block cycles.
    m.end_cpu = ThreadCpuSeconds(m.stream_thread);
    m.end_qpc = entry;
    m.end_block_calls = m.block_calls;
    m.end_callback_ticks = m.callback_ticks;
    const uint32_t* words = static_cast<const uint32_t*>(data);
    bool q_zero = true;
    for (int n = 0; n < count; ++n) q_zero &= words[2 * n + 1] == 0;
    m.end_block_q_zero = q_zero;
    m.end_taken = true;
  }
  ++m.block_calls;
  int64_t before = QpcNow();
  HostCallbackRecorder::Callback(count, status, value, data);
  int64_t spent = QpcNow() - before;
  m.callback_ticks += spent;
  if (spent > m.callback_max_ticks) m.callback_max_ticks = spent;
}

// The plug-in's control dialog among this thread's windows.
HWND FindSettingsDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM param) -> BOOL {
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        if (wcscmp(title, L"Kelvo SDR Settings") != 0) return TRUE;
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Chooses HF1 direct sampling the way a user does, in the dialog's input box.
// Returns an empty string, or why it could not.
std::string SelectHF1() {
  HWND dialog = FindSettingsDialog();
  if (!dialog) return "OpenHW created no \"Kelvo SDR Settings\" dialog on this thread";
  HWND combo = GetDlgItem(dialog, InputComboId);
  if (!combo) return "the settings dialog has no input box (id 1031)";
  LRESULT rows = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  if (rows <= HF1Row) return "the input box has " + std::to_string(rows) + " rows, no row 2";
  wchar_t text[128] = {};
  if (SendMessageW(combo, CB_GETLBTEXTLEN, HF1Row, 0) < 128) SendMessageW(combo, CB_GETLBTEXT, HF1Row, reinterpret_cast<LPARAM>(text));
  if (!wcsstr(text, L"HF1")) return "row 2 of the input box is not HF1 direct sampling";
  if (SendMessageW(combo, CB_SETCURSEL, HF1Row, 0) != HF1Row) return "the input box refused row 2";
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(InputComboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  PumpMessages();
  return "";
}

// Waits `seconds` while handling this thread's window messages, as a host's
// message loop does for the thread that called OpenHW.
void PumpFor(double seconds) {
  int64_t until = QpcNow() + static_cast<int64_t>(seconds / QpcSeconds(1));
  while (QpcNow() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpMessages();
  }
}

int64_t Delivered(SimulatedLibrary& rx, SimulatedLibrary& sdr) {
  return rx.Stats().blocks_delivered + sdr.Stats().blocks_delivered;
}

// One run; returns false when blocks were lost or the run failed.
bool RunStream(const char* label, bool hf1, double seconds) {
  std::printf("\n== %s ==\n", label);
  SimulatedLibrary rx{"kelvo.dll"}, sdr{"kelvo_sdr.dll"};
  if (!rx.ok() || !sdr.ok() || rx.reset() != 0 || sdr.reset() != 0) {
    std::printf("  the simulated libraries are not beside the program\n");
    return false;
  }
  HostCallbackRecorder& recorder = HostCallbackRecorder::Instance();
  recorder.Clear();
  Measure m;
  measure = &m;

  std::string error;
  std::unique_ptr<ExtioPlugin> plugin = ExtioPlugin::Load(ProgramDirectory() + "ExtIO_KelvoSDR.dll", &error);
  if (!plugin || !plugin->missing.empty()) {
    std::printf("  cannot load the plug-in: %s\n", plugin ? ("missing " + plugin->missing.front()).c_str() : error.c_str());
    return false;
  }
  ExtioEntryPoints& api = plugin->api;
  char name[16] = {}, model[16] = {};
  int type = 0;
  if (!api.InitHW(name, model, &type)) {
    std::printf("  InitHW failed\n");
    return false;
  }
  api.SetCallback(TimedCallback);
  if (!api.OpenHW()) {
    std::printf("  OpenHW failed\n");
    return false;
  }
  PumpMessages();
  bool ok = true;
  if (hf1) {
    std::string why = SelectHF1();
    if (!why.empty()) {
      std::printf("  SKIPPED: could not select HF1 direct sampling: %s\n", why.c_str());
      api.CloseHW();
      PumpMessages();
      return true;
    }
  }
  api.ExtIoSetSrate(Rate50MHzRow);
  std::printf("  device %s, host sample rate %d Hz, %s\n", name, api.GetHWSR(),
              std::getenv("KELVO_SIM_UNPACED") && std::strcmp(std::getenv("KELVO_SIM_UNPACED"), "1") == 0
                  ? "UNPACED (as fast as the host takes blocks)"
                  : "paced in real time");
  if (api.StartHW64(StartLOHz) != BlockSamples) {
    std::printf("  StartHW64 failed\n");
    api.CloseHW();
    return false;
  }
  PumpFor(seconds);
  m.take_end = true;
  for (int waited = 0; !m.end_taken && waited < 500; ++waited) PumpFor(0.01);
  api.StopHW();
  PumpMessages();
  int64_t produced = Delivered(rx, sdr);
  int64_t received = recorder.BlockCalls();
  int64_t bad = recorder.BadBlockCalls();
  api.CloseHW();
  PumpMessages();
  plugin.reset();

  std::printf("  blocks produced by the library (blocks_delivered): %lld\n", static_cast<long long>(produced));
  std::printf("  blocks received by the host:                       %lld  (lost %lld, malformed %lld)\n",
              static_cast<long long>(received), static_cast<long long>(produced - received),
              static_cast<long long>(bad));
  if (produced != received || bad != 0 || received == 0) ok = false;
  if (!m.end_taken || m.end_block_calls < 2 || !m.stream_thread) {
    std::printf("  too few blocks to measure\n");
    return false;
  }
  int64_t blocks = m.end_block_calls - 1;  // block cycles between the two readings
  double wall = QpcSeconds(m.end_qpc - m.first_block_qpc);
  double rate = blocks * BlockSamples / wall;
  double cpu_us = (m.end_cpu - m.first_cpu) / blocks * 1e6;
  double callback_us = QpcSeconds(m.end_callback_ticks) / m.end_block_calls * 1e6;
  std::printf("  measured over %lld blocks in %.2f s of stream\n", static_cast<long long>(blocks), wall);
  std::printf("  achieved sample rate:  %.0f S/s = %.4f x nominal %.0f S/s\n", rate, rate / NominalRateHz,
              NominalRateHz);
  std::printf("  stream thread CPU per block (library + plug-in + host callback): %8.1f us = %5.1f%% of %.2f us\n",
              cpu_us, 100 * cpu_us / BlockMicroseconds, BlockMicroseconds);
  std::printf("  wall time in the host callback per block (mean):                 %8.1f us  (max %.1f us)\n",
              callback_us, QpcSeconds(m.callback_max_ticks) * 1e6);
  std::printf("  stream thread CPU per block less the host callback:              %8.1f us\n",
              cpu_us - callback_us);
  std::printf("  a sampled block had every Q value +0.0 (HF1 shaping): %s\n", m.end_block_q_zero ? "yes" : "no");
  if (hf1 != m.end_block_q_zero) {
    std::printf("  UNEXPECTED: %s\n", hf1 ? "HF1 was selected but the block is not shaped" : "RF block looks shaped");
    ok = false;
  }
  CloseHandle(m.stream_thread);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (seconds <= 0) {
    std::fprintf(stderr, "usage: stream_benchmark [seconds per run, default 10]\n");
    return 2;
  }
  std::printf("Streaming at 50 MS/s for %.1f s per run; one block of %d samples lasts %.2f us\n", seconds,
              BlockSamples, BlockMicroseconds);
  bool ok = RunStream("RF", false, seconds);
  ok &= RunStream("HF1 direct sampling", true, seconds);
  std::printf("\n%s\n", ok ? "no blocks lost" : "FAILED: see above");
  return ok ? 0 : 1;
}

// Load through the exports and the control dialog, as a host and a user drive
// them, with the simulated receivers unpaced. After each scenario: every block
// the library produced reached the host or fell into a window in which the
// host had cleared its callback; handles and threads are back at the baseline
// taken after a warm-up; nothing crashed. KELVO_STRESS_SIZE=full runs the full
// counts (scripts/stress.sh), anything else the suite size that CTest runs.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/process_counts.h"
#include "tests/block_sequence.h"
#include "tests/dialog_driver.h"
#include "tests/plugin_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace dialog_ids;

struct StressSize {
  const char* name;
  int start_stop_cycles, retunes, dialog_commands, callback_switches, device_changes, restore_loops;
};
constexpr StressSize FullSize{"full", 100, 100000, 10000, 10000, 20, 10000};
constexpr StressSize SuiteSize{"suite", 40, 50000, 5000, 10000, 8, 10000};

const StressSize& Size() {
  static const StressSize& size = []() -> const StressSize& {
    const char* chosen = getenv("KELVO_STRESS_SIZE");
    return chosen && strcmp(chosen, "full") == 0 ? FullSize : SuiteSize;
  }();
  return size;
}

// Each library numbers its blocks from its own start, so the host can tell them apart.
constexpr uint32_t RxFirstNumber = 0;
constexpr uint32_t SdrFirstNumber = 0x40000000;
constexpr int64_t DefaultLO = 100000000;

// What reached the host. Numbers are appended by the stream thread alone and
// read once the stream has stopped.
struct HostLog {
  std::vector<uint32_t> numbers;
  std::atomic<int64_t> blocks{0}, notifications{0}, malformed{0};
  std::atomic<int64_t> by_callback[2];

  void Clear() {
    numbers.clear();
    blocks = notifications = malformed = 0;
    by_callback[0] = by_callback[1] = 0;
  }
};
HostLog host_log;

void Record(int callback, int count, int status, void* data) {
  if (count < 0) {
    ++host_log.notifications;
    return;
  }
  if (count != 32768 || status != 0 || !data) {
    ++host_log.malformed;
    return;
  }
  uint32_t number;
  memcpy(&number, data, sizeof number);
  host_log.numbers.push_back(number);
  ++host_log.by_callback[callback];
  ++host_log.blocks;
}
void HostCallbackA(int count, int status, float, void* data) { Record(0, count, status, data); }
void HostCallbackB(int count, int status, float, void* data) { Record(1, count, status, data); }

// A crash ends the program at once, saying what and where: the debugger that
// Wine starts instead can hang until CTest gives up.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* crash) {
  fprintf(stderr, "crash: exception 0x%08lx at %p\n", crash->ExceptionRecord->ExceptionCode,
          crash->ExceptionRecord->ExceptionAddress);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}
const LPTOP_LEVEL_EXCEPTION_FILTER previous_crash_filter = SetUnhandledExceptionFilter(ReportCrash);

template <typename Done>
bool WaitUntil(Done done, bool pump = false) {
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    if (pump) PumpMessages();
    SwitchToThread();
  }
  return true;
}

class StressTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    if (HasFatalFailure()) return;
    ConfigureLibraries();
    host_log.Clear();
  }

  void ConfigureLibraries() {
    rx.set_devices(rx_serials);
    sdr.set_devices(sdr_serials);
    // A pattern, not the generated signal, which the simulator computes afresh
    // on every input change: input commands would measure its signal generator.
    const float pattern[8] = {0.5f, -0.25f, 0.125f, 0.0625f, -0.5f, 0.25f, -0.125f, -0.0625f};
    for (SimulatedLibrary* library : {&rx, &sdr}) {
      library->set_paced(0);
      library->set_block_pattern(pattern, 8);
    }
    rx.set_block_numbering(1, RxFirstNumber);
    sdr.set_block_numbering(1, SdrFirstNumber);
  }

  void Open() {
    ASSERT_TRUE(Init());
    api.SetCallback(HostCallbackA);
    ASSERT_TRUE(api.OpenHW());
    ASSERT_TRUE(dialog.Attach());
  }

  // First use loads and registers what then stays (common controls, the
  // dialog class, Wine's own helpers), so the baseline comes after one round
  // of open, stream, dialog commands (each undone) and close.
  void WarmUpAndTakeBaseline() {
    ASSERT_NO_FATAL_FAILURE(Open());
    api.ShowGUI();
    PumpMessages();
    ASSERT_EQ(api.StartHW64(DefaultLO), 32768);
    ASSERT_TRUE(WaitForBlocks(3));
    dialog.Key(LnaSlider, VK_RIGHT);
    dialog.Key(LnaSlider, VK_LEFT);
    dialog.Slide(VgaSlider, 5);
    dialog.Slide(VgaSlider, 0);
    dialog.Click(GpoCheck0, true);
    dialog.Click(GpoCheck0, false);
    dialog.Click(ClockCheck, true);
    dialog.Click(ClockCheck, false);
    dialog.Select(InputCombo, ModeHF1);
    dialog.Select(InputCombo, ModeRF);
    api.StopHW();
    api.CloseHW();
    PumpMessages();
    // The scenario's blocks are counted and numbered from zero.
    ASSERT_EQ(rx.reset(), 0);
    ASSERT_EQ(sdr.reset(), 0);
    ConfigureLibraries();
    host_log.Clear();
    baseline = CurrentProcessCounts();
    ASSERT_GT(baseline.handles, 0);
    ASSERT_GT(baseline.threads, 0);
    began = Clock::now();
  }

  // What a host does at the end: stop and close. Then the counts.
  void StopAndClose() {
    api.StopHW();
    api.CloseHW();
    PumpMessages();
    seconds = std::chrono::duration<double>(Clock::now() - began).count();
    after = SettledCounts(baseline);
  }

  // A thread that has just ended may take a moment to leave the process's list.
  static ProcessCounts SettledCounts(const ProcessCounts& expected) {
    ProcessCounts counts = CurrentProcessCounts();
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    while (!(counts == expected) && Clock::now() < deadline) {
      Sleep(20);
      counts = CurrentProcessCounts();
    }
    return counts;
  }

  bool WaitForBlocks(int64_t blocks) {
    return WaitUntil([&] { return host_log.blocks >= blocks; }, true);
  }
  bool WaitForProduced(int64_t blocks) {
    return WaitUntil([&] { return rx.Stats().blocks_delivered >= blocks; });
  }
  int64_t Produced() const { return rx.Stats().blocks_delivered + sdr.Stats().blocks_delivered; }

  // Every block of both libraries either reached the host or fell into one of
  // the rx library's cleared windows; the sum over both libraries.
  BlockAccount AccountForEveryBlock(const std::vector<ClearedWindow>& rx_windows = {}) {
    std::vector<uint32_t> rx_numbers, sdr_numbers;
    for (uint32_t number : host_log.numbers) {
      if (number >= SdrFirstNumber)
        sdr_numbers.push_back(number - SdrFirstNumber);
      else
        rx_numbers.push_back(number - RxFirstNumber);
    }
    const BlockAccount rx_account = AccountForBlocks(rx_numbers, rx.Stats().blocks_delivered, rx_windows);
    const BlockAccount sdr_account = AccountForBlocks(sdr_numbers, sdr.Stats().blocks_delivered, {});
    EXPECT_EQ(rx_account.fault, "") << "rx library";
    EXPECT_EQ(sdr_account.fault, "") << "sdr library";
    EXPECT_EQ(host_log.malformed, 0);
    BlockAccount total;
    total.received = rx_account.received + sdr_account.received;
    total.not_delivered = rx_account.not_delivered + sdr_account.not_delivered;
    EXPECT_EQ(total.received, host_log.blocks);
    EXPECT_EQ(total.received + total.not_delivered, Produced());
    return total;
  }

  void ReportAndCheckCounts(const char* scenario, int iterations, const BlockAccount& account) {
    printf("[ STRESS   ] %s, %s size: %d iterations in %.1f s\n", scenario, Size().name, iterations, seconds);
    printf("[ STRESS   ]   blocks produced %lld, received %lld, not delivered %lld\n",
           static_cast<long long>(Produced()), static_cast<long long>(account.received),
           static_cast<long long>(account.not_delivered));
    printf("[ STRESS   ]   handles %ld -> %ld, threads %ld -> %ld\n", baseline.handles, after.handles,
           baseline.threads, after.threads);
    fflush(stdout);
    EXPECT_EQ(after.handles, baseline.handles) << "handles left open";
    EXPECT_EQ(after.threads, baseline.threads) << "threads left running";
  }

  int Setting(int number) {
    char key[1024], value[1024];
    api.ExtIoGetSetting(number, key, value);
    return atoi(value);
  }

  static constexpr int ModeRF = 0, ModeHF1 = 2;
  const char* rx_serials = "RX1";
  const char* sdr_serials = "SDR1";
  DialogDriver dialog;
  ProcessCounts baseline, after;
  Clock::time_point began;
  double seconds = 0;
};

TEST_F(StressTest, StartStopCycles) {
  ASSERT_NO_FATAL_FAILURE(WarmUpAndTakeBaseline());
  ASSERT_NO_FATAL_FAILURE(Open());
  const ProcessCounts while_open = CurrentProcessCounts();
  const int cycles = Size().start_stop_cycles;
  int leaky_cycles = 0;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    ASSERT_EQ(api.StartHW64(DefaultLO + cycle * 1000000LL), 32768) << "cycle " << cycle;
    // Every fourth stop comes at once, before the worker may have entered the read.
    if (cycle % 4 != 3) {
      ASSERT_TRUE(WaitForBlocks(host_log.blocks + 2)) << "cycle " << cycle;
    }
    if (cycle == 0) {
      // The counts see the worker and its handle.
      const ProcessCounts streaming = CurrentProcessCounts();
      EXPECT_EQ(streaming.threads, while_open.threads + 1);
      EXPECT_EQ(streaming.handles, while_open.handles + 1);
    }
    api.StopHW();
    ASSERT_EQ(rx.Stats().reads_running, 0) << "cycle " << cycle;
    if (!(SettledCounts(while_open) == while_open)) ++leaky_cycles;
  }
  EXPECT_EQ(rx.Stats().reads_started, cycles) << "one read per start";
  StopAndClose();
  EXPECT_EQ(leaky_cycles, 0) << "cycles after which handles or threads differed from before the first";
  const BlockAccount account = AccountForEveryBlock();
  EXPECT_EQ(account.not_delivered, 0);
  ReportAndCheckCounts("start/stop cycles", cycles, account);
}

TEST_F(StressTest, RetunesAndDialogCommandsDuringOneStream) {
  ASSERT_NO_FATAL_FAILURE(WarmUpAndTakeBaseline());
  ASSERT_NO_FATAL_FAILURE(Open());
  api.ShowGUI();
  PumpMessages();
  // The receiver as the dialog shows it, and as it must end up.
  int lna = dialog.SliderPosition(LnaSlider), vga = dialog.SliderPosition(VgaSlider);
  int clock = Setting(3), mode = Setting(2), gpo = 0;
  for (int bit = 0; bit < 8; ++bit)
    gpo |= (SendMessageW(dialog.Control(GpoCheck0 + bit), BM_GETCHECK, 0, 0) == BST_CHECKED) << bit;
  const int64_t direct_sampling_lo = api.GetHWSR() / 2;

  ASSERT_EQ(api.StartHW64(DefaultLO), 32768);
  const int retunes = Size().retunes, commands = Size().dialog_commands;
  const int retunes_per_command = retunes / commands;
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int64_t> lo_in_range(50000000, 6000000000);
  int wrong_lo = 0, refused = 0, sent = 0;
  for (int retune = 0; retune < retunes; ++retune) {
    const int64_t lo = lo_in_range(random);
    const bool tuned = mode == 0 || mode == 1;
    wrong_lo += api.SetHWLO64(lo) != (tuned ? lo : direct_sampling_lo);
    if (retune % retunes_per_command != retunes_per_command - 1 || sent == commands) continue;
    switch (sent++ % 5) {
      case 0: {  // arrow keys on the LNA slider, back from either end
        const bool up = lna == 0 || (lna < 3 && random() % 2);
        dialog.Key(LnaSlider, up ? VK_RIGHT : VK_LEFT);
        lna += up ? 1 : -1;
        refused += dialog.SliderPosition(LnaSlider) != lna || Setting(4) != lna;
        break;
      }
      case 1:  // the VGA slider dragged elsewhere
        vga = (vga + 1 + static_cast<int>(random() % 31)) % 32;
        refused += dialog.Slide(VgaSlider, vga) != 1;
        break;
      case 2: {  // an output check box
        const int bit = static_cast<int>(random() % 8);
        gpo ^= 1 << bit;
        refused += dialog.Click(GpoCheck0 + bit, (gpo >> bit) & 1) != 1;
        break;
      }
      case 3:  // another input
        mode = static_cast<int>(random() % 4);
        refused += dialog.Select(InputCombo, mode) != 1;
        break;
      case 4:  // the clock source
        clock ^= 1;
        refused += dialog.Click(ClockCheck, clock) != 1;
        break;
    }
    if (sent % 100 == 0) PumpMessages();
    // Blocks between commands: the simulated library's lock would let a tight
    // loop of calls starve its reader.
    ASSERT_TRUE(WaitForProduced(rx.Stats().blocks_delivered + 1)) << "command " << sent;
  }
  ASSERT_TRUE(WaitForBlocks(host_log.blocks + 5)) << "the stream is still alive";
  EXPECT_EQ(wrong_lo, 0);
  EXPECT_EQ(refused, 0) << "dialog commands refused or not taken";

  // The receiver was told the last of everything.
  ASSERT_EQ(dialog.Select(InputCombo, ModeRF), 1);
  ASSERT_EQ(api.SetHWLO64(433000000), 433000000);
  KelvoSimDeviceState receiver{};
  ASSERT_EQ(rx.get_device_state(0, &receiver), 0);
  EXPECT_EQ(receiver.frequency_hz, 433000000);
  EXPECT_EQ(receiver.direct_sampling, 0);
  EXPECT_EQ(receiver.lna_gain, lna);
  EXPECT_EQ(receiver.vga_gain, vga);
  EXPECT_EQ(receiver.gpo_bits, gpo);
  EXPECT_EQ(receiver.external_clock, clock);
  StopAndClose();
  const BlockAccount account = AccountForEveryBlock();
  EXPECT_EQ(account.not_delivered, 0);
  EXPECT_GT(host_log.notifications, 0);
  ReportAndCheckCounts("retunes and dialog commands", retunes + sent, account);
  printf("[ STRESS   ]   %d retunes, %d dialog commands, %lld notifications\n", retunes, sent,
         static_cast<long long>(host_log.notifications));
}

TEST_F(StressTest, CallbackReplacedOrClearedDuringAStream) {
  ASSERT_NO_FATAL_FAILURE(WarmUpAndTakeBaseline());
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_EQ(api.StartHW64(DefaultLO), 32768);
  ASSERT_TRUE(WaitForBlocks(3));
  const ExtioCallback callbacks[2] = {HostCallbackA, HostCallbackB};
  int current = 0;
  std::vector<ClearedWindow> windows;
  const int switches = Size().callback_switches;
  for (int change = 0; change < switches; ++change) {
    // Each change comes between two blocks.
    ASSERT_TRUE(WaitForProduced(rx.Stats().blocks_delivered + 1)) << "change " << change;
    current ^= 1;
    if (change % 2 == 0) {
      api.SetCallback(callbacks[current]);
      continue;
    }
    const int64_t before = rx.Stats().blocks_delivered;
    api.SetCallback(nullptr);
    // Cleared for none, one or two blocks.
    ASSERT_TRUE(WaitForProduced(before + change / 2 % 3)) << "change " << change;
    api.SetCallback(callbacks[current]);
    windows.push_back({before, rx.Stats().blocks_delivered});
  }
  ASSERT_TRUE(WaitForBlocks(host_log.blocks + 5)) << "the stream is still alive";
  StopAndClose();
  const BlockAccount account = AccountForEveryBlock(windows);
  EXPECT_GT(account.not_delivered, 0) << "no window ever held a block back: the check proves nothing";
  EXPECT_GT(host_log.by_callback[0], 0);
  EXPECT_GT(host_log.by_callback[1], 0);
  ReportAndCheckCounts("callback replaced or cleared", switches, account);
  printf("[ STRESS   ]   %zu cleared windows; blocks to callback A %lld, to callback B %lld\n", windows.size(),
         static_cast<long long>(host_log.by_callback[0]), static_cast<long long>(host_log.by_callback[1]));
}

TEST_F(StressTest, DeviceChangesDuringAStream) {
  rx_serials = "RX1 RX2 RX3";
  sdr_serials = "S1 S2";
  ConfigureLibraries();
  constexpr int Rows = 5, RxRows = 3;
  // The simulated library makes a device's cancel event at its first read and
  // keeps it: one stream from every device before the baseline, ending at row 0.
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_EQ(api.StartHW64(433000000), 32768);
  for (int row : {1, 2, 3, 4, 0}) {
    ASSERT_EQ(dialog.Select(DeviceCombo, row), 1);
    ASSERT_TRUE(WaitForBlocks(host_log.blocks + 1));
  }
  api.StopHW();
  api.CloseHW();
  ASSERT_NO_FATAL_FAILURE(WarmUpAndTakeBaseline());
  ASSERT_NO_FATAL_FAILURE(Open());
  api.ShowGUI();
  PumpMessages();
  ASSERT_EQ(SendMessageW(dialog.Control(DeviceCombo), CB_GETCOUNT, 0, 0), Rows);
  ASSERT_EQ(api.StartHW64(433000000), 32768);
  ASSERT_TRUE(WaitForBlocks(3));
  // The one receiver open, as a row of the listing (rx rows first); -1 unless exactly one.
  auto open_row = [&](double* frequency_hz) {
    int row = -1, open = 0;
    for (int index = 0; index < Rows; ++index) {
      KelvoSimDeviceState state{};
      (index < RxRows ? rx : sdr).get_device_state(index < RxRows ? index : index - RxRows, &state);
      if (!state.open) continue;
      ++open;
      row = index;
      *frequency_hz = state.frequency_hz;
    }
    return open == 1 ? row : -1;
  };
  const int changes = Size().device_changes;
  int row = 0;
  for (int change = 0; change < changes; ++change) {
    row = (row + 1 + change % 3) % Rows;  // every row in turn, from both libraries
    ASSERT_EQ(dialog.Select(DeviceCombo, row), 1) << "change " << change;
    // Enough blocks that the next change stops a stream in full flow.
    ASSERT_TRUE(WaitForBlocks(host_log.blocks + 100)) << "no stream after change " << change;
    double frequency_hz = 0;
    ASSERT_EQ(open_row(&frequency_hz), row) << "change " << change;
    EXPECT_EQ(frequency_hz, 433000000) << "change " << change;
  }
  EXPECT_TRUE(message_boxes.Seen().empty());
  StopAndClose();
  const BlockAccount account = AccountForEveryBlock();
  EXPECT_EQ(account.not_delivered, 0);
  EXPECT_GT(rx.Stats().blocks_delivered, 0);
  EXPECT_GT(sdr.Stats().blocks_delivered, 0);
  ReportAndCheckCounts("device changes", changes, account);
}

TEST_F(StressTest, SettingsRestoredDuringAStream) {
  ASSERT_NO_FATAL_FAILURE(WarmUpAndTakeBaseline());
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_EQ(api.StartHW64(DefaultLO), 32768);
  ASSERT_TRUE(WaitForBlocks(3));
  const int loops = Size().restore_loops;
  int wrong_gain = 0;
  for (int loop = 0; loop < loops; ++loop) {
    // Now and then the settings of another plug-in, which must be ignored.
    const bool ours = loop % 16 != 15;
    api.ExtIoSetSetting(0, ours ? "Kelvo SDR" : "Other SDR");
    const std::string values[] = {std::to_string(loop % 9), std::to_string(loop % 4), std::to_string(loop % 2),
                                  std::to_string(loop % 4), std::to_string(loop % 32),
                                  std::to_string(50000000 + 1000LL * loop) + ".5"};
    for (int number = 1; number <= 6; ++number) api.ExtIoSetSetting(number, values[number - 1].c_str());
    if (ours) wrong_gain += Setting(4) != loop % 4 || Setting(5) != loop % 32;
    api.GetHWLO64();
    api.GetHWSR();
    ASSERT_TRUE(WaitForProduced(rx.Stats().blocks_delivered + 1)) << "loop " << loop;  // a block between rounds
  }
  ASSERT_TRUE(WaitForBlocks(host_log.blocks + 5)) << "the stream is still alive";
  EXPECT_EQ(wrong_gain, 0) << "restored gains not read back";
  StopAndClose();
  const BlockAccount account = AccountForEveryBlock();
  EXPECT_EQ(account.not_delivered, 0);
  ReportAndCheckCounts("settings restored", loops, account);
}

DWORD WINAPI WaitForEvent(LPVOID event) { return WaitForSingleObject(event, INFINITE); }

// The measures themselves, which Wine might only pretend to give.
TEST(ProcessCounts, FollowAHandleAndAThread) {
  const ProcessCounts before = CurrentProcessCounts();
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WaitForEvent, event, 0, nullptr);
  const ProcessCounts during = CurrentProcessCounts();
  SetEvent(event);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(event);
  EXPECT_EQ(during.handles, before.handles + 2);
  EXPECT_EQ(during.threads, before.threads + 1);
  EXPECT_EQ(CurrentProcessCounts(), before);
}

// The accounting itself: each kind of fault is found, and only those.
TEST(BlockAccounting, FindsEveryFaultAndAllowsOnlyClearedWindows) {
  struct Case {
    const char* what;
    std::vector<uint32_t> numbers;
    int64_t produced;
    std::vector<ClearedWindow> windows;
    bool sound;
    int64_t not_delivered;
  };
  const Case cases[] = {
      {"all received", {0, 1, 2, 3}, 4, {}, true, 0},
      {"lost at the end", {0, 1, 2}, 4, {}, false, 1},
      {"lost in between", {0, 2, 3}, 4, {}, false, 1},
      {"received twice", {0, 1, 1, 2}, 3, {}, false, 0},
      {"out of order", {0, 2, 1}, 3, {}, false, 1},
      {"more than produced", {0, 1, 2}, 2, {}, false, 0},
      {"held back while cleared", {0, 1, 5, 6}, 7, {{3, 5}}, true, 3},
      {"in flight when cleared", {0, 1, 4}, 5, {{3, 4}}, true, 2},
      {"before the block in flight", {0, 3}, 4, {{3, 4}}, false, 2},
      {"counted after restoring", {0, 1, 2}, 4, {{2, 3}}, false, 1},
      {"a window from the first block", {2}, 3, {{0, 2}}, true, 2},
  };
  for (const Case& c : cases) {
    const BlockAccount account = AccountForBlocks(c.numbers, c.produced, c.windows);
    EXPECT_EQ(account.fault.empty(), c.sound) << c.what << ": " << account.fault;
    EXPECT_EQ(account.not_delivered, c.not_delivered) << c.what;
  }
}

}  // namespace


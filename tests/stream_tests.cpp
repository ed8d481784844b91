// Streaming as a host sees it: starts and their refusals, blocks through the
// callback, the stop sequence, and the faults a careless library or host can bring.
#include <atomic>
#include <chrono>
#include <thread>

#include "host/import_patch.h"
#include "tests/plugin_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

class StreamTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    rx.set_paced(0);
    sdr.set_paced(0);
  }

  // Waits until the host has received at least `blocks` block calls.
  bool WaitForBlocks(int64_t blocks, int64_t (*count)() = nullptr) {
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      int64_t received = count ? count() : recorder.BlockCalls();
      if (received >= blocks) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

  // Waits until the hook has run at least once and the library's read has returned.
  bool WaitForTheReadToEnd(const std::atomic<int>& hook_calls) {
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while ((hook_calls == 0 || rx.Stats().reads_running) && Clock::now() < deadline) Sleep(5);
    return hook_calls > 0 && rx.Stats().reads_running == 0;
  }

  int64_t Delivered() const { return rx.Stats().blocks_delivered + sdr.Stats().blocks_delivered; }
};

TEST_F(StreamTest, StartIsRefusedWithoutAnOpenReceiver) {
  EXPECT_EQ(api.StartHW64(145000000), -1);  // before InitHW
  ASSERT_TRUE(Init());
  EXPECT_EQ(api.StartHW64(145000000), -1);  // listed, not open
  ASSERT_TRUE(api.OpenHW());
  api.CloseHW();
  EXPECT_EQ(api.StartHW64(145000000), -1);  // after CloseHW
  EXPECT_EQ(api.GetHWLO64(), 100000000) << "a refused start must not set the LO";
  for (const std::string& line : Journal()) EXPECT_EQ(line.find("read_async"), std::string::npos) << line;
}

TEST_F(StreamTest, BlocksReachTheHostUntilStopped) {
  InitAndOpen();
  ClearJournal();
  EXPECT_EQ(api.StartHW64(145000000), 32768);
  ASSERT_TRUE(WaitForBlocks(20));
  EXPECT_EQ(api.GetStatus(), 0);
  Clock::time_point stop_began = Clock::now();
  api.StopHW();
  EXPECT_GE(Clock::now() - stop_began, std::chrono::milliseconds(500)) << "the stop settles for 500 ms";

  EXPECT_EQ(recorder.BlockCalls(), Delivered()) << "every block the library produced reached the host";
  EXPECT_EQ(recorder.BadBlockCalls(), 0);
  EXPECT_EQ(rx.Stats().last_read_priority, THREAD_PRIORITY_TIME_CRITICAL);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.set_frequency(rx#0, 145000000, null)",
                                                 "rx.read_async(rx#0, cb, null, 16, 32768)",
                                                 "rx.cancel_async(rx#0)", "rx.read_async.return(0)"}));
}

TEST_F(StreamTest, RFBlocksArriveUntouchedInTheLibrarysBuffer) {
  std::vector<float> pattern(2 * 32768);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<float>(i) - 1000.5f;
  rx.set_block_pattern(pattern.data(), static_cast<uint32_t>(pattern.size()));
  std::atomic<int> mismatches{0};
  OnBlock([&](int, const float* samples) {
    if (memcmp(samples, pattern.data(), pattern.size() * sizeof(float)) != 0) ++mismatches;
  });
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(100000000), 32768);
  ASSERT_TRUE(WaitForBlocks(5));
  api.StopHW();
  EXPECT_EQ(mismatches, 0);
}

TEST_F(StreamTest, SecondStartRetunesAndKeepsTheStream) {
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  ClearJournal();
  EXPECT_EQ(api.StartHW64(433000000), -1);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.set_frequency(rx#0, 433000000, null)"}));
  int64_t before = recorder.BlockCalls();
  ASSERT_TRUE(WaitForBlocks(before + 10)) << "the running stream goes on";
  api.StopHW();
  EXPECT_EQ(rx.Stats().reads_started, 1);
}

TEST_F(StreamTest, StartStopStartReadsAgainWithTheSameArguments) {
  rx.set_devices("");
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  ASSERT_TRUE(WaitForBlocks(3));
  api.StopHW();
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  ASSERT_TRUE(WaitForBlocks(recorder.BlockCalls() + 3));
  api.StopHW();
  int reads = 0;
  for (const std::string& line : Journal()) reads += line == "sdr.read_async(sdr#0, cb, null, 16, 32768)";
  EXPECT_EQ(reads, 2) << Lines(Journal());
  EXPECT_EQ(recorder.BlockCalls(), Delivered());
}

TEST_F(StreamTest, StopWithoutAStreamReturnsAtOnce) {
  InitAndOpen();
  ClearJournal();
  for (int i = 0; i < 2; ++i) {
    Clock::time_point began = Clock::now();
    api.StopHW();
    EXPECT_LT(Clock::now() - began, std::chrono::milliseconds(250));
  }
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());
}

TEST_F(StreamTest, ReadThatEndsByItselfIsCollectedByTheNextStop) {
  rx.set_block_limit(3);
  rx.set_result("read_async", -5);
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  ASSERT_TRUE(WaitForBlocks(3));
  Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
  while (rx.Stats().reads_running && Clock::now() < deadline) Sleep(5);
  EXPECT_EQ(api.StartHW64(145000000), -1) << "the ended worker has not been collected yet";
  ClearJournal();
  api.StopHW();
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.cancel_async(rx#0)"}));
  EXPECT_EQ(api.StartHW64(145000000), 32768);
}

TEST_F(StreamTest, StopFromInsideTheCallbackDoesNotWaitForItself) {
  InitAndOpen();
  std::atomic<int> stops{0};
  OnBlock([&](int, const float*) {
    if (stops++ == 0) api.StopHW();
  });
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  EXPECT_TRUE(WaitForTheReadToEnd(stops)) << "the read did not end after a stop from the callback";
  int64_t received = recorder.BlockCalls();
  Sleep(50);
  EXPECT_EQ(recorder.BlockCalls(), received);
  ClearJournal();
  api.StopHW();  // collects the ended worker
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.cancel_async(rx#0)"}));
  EXPECT_EQ(api.StartHW64(145000000), 32768) << "a new stream after the host's own stop";
  recorder.SetHook(nullptr);
  api.StopHW();
}

TEST_F(StreamTest, CloseFromInsideTheCallbackOnlyStops) {
  InitAndOpen();
  std::atomic<int> closes{0};
  OnBlock([&](int, const float*) {
    if (closes++ == 0) api.CloseHW();
  });
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  EXPECT_TRUE(WaitForTheReadToEnd(closes));
  for (const std::string& line : Journal()) EXPECT_NE(line, "rx.close(rx#0)") << "closed under its own read";
  ClearJournal();
  api.CloseHW();
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.cancel_async(rx#0)", "rx.close(rx#0)"}));
  recorder.SetHook(nullptr);
}

TEST_F(StreamTest, StartHWExtendsTheSign) {
  InitAndOpen();
  recorder.Clear();
  ASSERT_EQ(api.StartHW(INT32_MIN), 32768);
  EXPECT_EQ(api.GetHWLO64(), 50000000) << "read as 2147483648 instead of a negative request";
  EXPECT_EQ(Statuses(), (std::vector<int>{StatusLOChanged}));
  api.StopHW();
}

void SecondCallback(int count, int, float, void*);
std::atomic<int64_t> second_callback_blocks{0};
void SecondCallback(int count, int, float, void*) {
  if (count > 0) ++second_callback_blocks;
}
int64_t SecondCallbackBlocks() { return second_callback_blocks; }

TEST_F(StreamTest, CallbackRemovedOrReplacedMidStream) {
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  ASSERT_TRUE(WaitForBlocks(5));
  api.SetCallback(nullptr);
  int64_t while_none = Delivered();
  Clock::time_point until = Clock::now() + std::chrono::milliseconds(100);
  while (Clock::now() < until) Sleep(5);
  EXPECT_GT(Delivered(), while_none + 5) << "blocks keep coming with no callback";
  int64_t first_callback = recorder.BlockCalls();
  second_callback_blocks = 0;
  api.SetCallback(SecondCallback);
  ASSERT_TRUE(WaitForBlocks(5, SecondCallbackBlocks));
  EXPECT_EQ(recorder.BlockCalls(), first_callback) << "the replaced callback was called";
  api.StopHW();
  EXPECT_LE(recorder.BlockCalls() + second_callback_blocks, Delivered());
}

TEST_F(StreamTest, ShortBlocksAreNeverOverstated) {
  rx.set_block_samples(1000);
  // A host reads every sample it is told of; the block ends at an inaccessible page.
  std::atomic<double> sum{0};
  OnBlock([&](int count, const float* samples) { sum = sum + samples[2 * count - 1]; });
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  ASSERT_TRUE(WaitForBlocks(10));
  api.StopHW();
  EXPECT_EQ(recorder.LastBlockCount(), 1000);
  EXPECT_EQ(recorder.BlockCalls(), Delivered());
}

HANDLE WINAPI FailingCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

TEST_F(StreamTest, ThreadThatCannotBeCreatedLeavesNoStream) {
  InitAndOpen();
  void* original = PatchImport(plugin->module(), "kernel32.dll", "CreateThread",
                               reinterpret_cast<void*>(FailingCreateThread));
  ASSERT_NE(original, nullptr) << "the plug-in does not import CreateThread";
  EXPECT_EQ(api.StartHW64(145000000), -1);
  PatchImport(plugin->module(), "kernel32.dll", "CreateThread", original);
  // Nothing is left to stop, and the next start works.
  Clock::time_point began = Clock::now();
  api.StopHW();
  EXPECT_LT(Clock::now() - began, std::chrono::milliseconds(250));
  EXPECT_EQ(api.StartHW64(145000000), 32768);
  ASSERT_TRUE(WaitForBlocks(3));
}

TEST_F(StreamTest, CloseWhileStreamingStopsTheStreamFirst) {
  InitAndOpen();
  ASSERT_EQ(api.StartHW64(145000000), 32768);
  ASSERT_TRUE(WaitForBlocks(3));
  ClearJournal();
  api.CloseHW();
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.cancel_async(rx#0)", "rx.read_async.return(0)",
                                                 "rx.close(rx#0)"}));
  EXPECT_EQ(api.GetStatus(), 0);
  EXPECT_EQ(rx.Stats().reads_running, 0);
}

}  // namespace

namespace {

// A stop that comes before the worker has entered the library's read would
// lose its cancel; the stop must still end.
TEST_F(StreamTest, StopRightAfterStartEnds) {
  InitAndOpen();
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(api.StartHW64(145000000), 32768);
    api.StopHW();
  }
  EXPECT_EQ(rx.Stats().reads_running, 0);
}

}  // namespace

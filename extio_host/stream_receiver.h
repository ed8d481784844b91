// The host's callback: counts blocks and notifications, hands blocks to the
// recording and measures the thread the blocks come on. An ExtIO callback
// carries no context, so one receiver serves the process at a time.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

class BlockWriter;

struct StreamTiming {
  bool measured = false;
  int64_t blocks = 0;           // block cycles between the two readings
  double wall_seconds = 0;      // between the first and the last reading
  double cpu_seconds = 0;       // of the stream thread over the same blocks
  double callback_seconds = 0;  // wall time inside this host's callback over the same blocks
};

class StreamReceiver {
 public:
  StreamReceiver();
  ~StreamReceiver();
  // Hand this to the plug-in's SetCallback.
  static void Callback(int count, int status, float value, void* data);

  // Before the stream starts: where blocks go (null: nowhere) and how many
  // stream samples, from the first on, are recorded.
  void RecordInto(BlockWriter* writer, int64_t record_samples);
  // Once the start has said how many samples a block holds.
  void SetBlockSamples(int samples);
  // Asks the stream thread for the closing timing reading at its next block;
  // true once it has been taken.
  void RequestEndReading() { take_end_ = true; }
  bool EndReadingTaken() const { return end_taken_; }

  int64_t blocks() const { return blocks_; }
  int64_t samples() const { return samples_; }
  int64_t short_blocks() const;  // after the stream has stopped
  double first_block_seconds_ago() const;
  std::map<int, int> notifications();
  // True once per notification of that status since the last call.
  bool TakeNotified(int status);
  StreamTiming Timing() const;  // after the stream has stopped
  std::string first_block_datetime() const { return first_block_datetime_; }

 private:
  void OnNotification(int status);
  void OnBlock(int count, const float* data);

  BlockWriter* writer_ = nullptr;
  int64_t record_samples_ = 0;
  std::atomic<int> block_samples_{0};  // 0 until the start has returned

  std::atomic<int64_t> blocks_{0}, samples_{0};
  int64_t short_blocks_ = 0;  // judged once the block size is known
  // Counts of blocks that came before it was, kept to judge them afterwards.
  static constexpr int EarlyBlocks = 64;
  int early_counts_[EarlyBlocks] = {};
  int early_blocks_ = 0;

  std::mutex notifications_mutex_;
  std::map<int, int> notifications_;
  std::map<int, int> unread_;

  HANDLE stream_thread_ = nullptr;
  std::atomic<int64_t> first_block_qpc_{0};
  double first_cpu_ = 0;
  int64_t callback_ticks_ = 0;
  std::atomic<bool> take_end_{false}, end_taken_{false};
  int64_t end_blocks_ = 0, end_qpc_ = 0, end_callback_ticks_ = 0;
  double end_cpu_ = 0;
  std::string first_block_datetime_;
};

#include "extio_host/stream_receiver.h"

#include "extio_host/block_writer.h"
#include "extio_host/clock.h"

static std::atomic<StreamReceiver*> current{nullptr};

StreamReceiver::StreamReceiver() { current = this; }

StreamReceiver::~StreamReceiver() {
  current = nullptr;
  if (stream_thread_) CloseHandle(stream_thread_);
}

void StreamReceiver::Callback(int count, int status, float, void* data) {
  StreamReceiver* receiver = current;
  if (!receiver) return;
  if (count < 0)
    receiver->OnNotification(status);
  else
    receiver->OnBlock(count, static_cast<const float*>(data));
}

void StreamReceiver::RecordInto(BlockWriter* writer, int64_t record_samples) {
  writer_ = writer;
  record_samples_ = record_samples;
}

void StreamReceiver::SetBlockSamples(int samples) { block_samples_ = samples; }

void StreamReceiver::OnNotification(int status) {
  std::lock_guard<std::mutex> lock(notifications_mutex_);
  ++notifications_[status];
  ++unread_[status];
}

std::map<int, int> StreamReceiver::notifications() {
  std::lock_guard<std::mutex> lock(notifications_mutex_);
  return notifications_;
}

bool StreamReceiver::TakeNotified(int status) {
  std::lock_guard<std::mutex> lock(notifications_mutex_);
  auto unread = unread_.find(status);
  if (unread == unread_.end() || unread->second == 0) return false;
  unread->second = 0;
  return true;
}

// Runs on the stream thread only.
void StreamReceiver::OnBlock(int count, const float* data) {
  const int64_t entry = QpcNow();
  const int64_t index = blocks_.load(std::memory_order_relaxed);
  if (index == 0) {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &stream_thread_, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    first_cpu_ = ThreadCpuSeconds(stream_thread_);
    first_block_datetime_ = UtcNowIso8601();
    first_block_qpc_ = entry;
  } else if (take_end_.load(std::memory_order_relaxed) && !end_taken_.load(std::memory_order_relaxed)) {
    // At the same point of the call as the first reading: whole block cycles in between.
    end_cpu_ = ThreadCpuSeconds(stream_thread_);
    end_qpc_ = entry;
    end_blocks_ = index;
    end_callback_ticks_ = callback_ticks_;
    end_taken_ = true;
  }
  const int expected = block_samples_.load(std::memory_order_acquire);
  if (expected == 0 && early_blocks_ < EarlyBlocks)
    early_counts_[early_blocks_++] = data ? count : -1;
  else if (!data || count != (expected ? expected : 32768))
    ++short_blocks_;

  const int64_t stream_sample = samples_.load(std::memory_order_relaxed);
  if (data && count > 0) {
    if (writer_ && stream_sample < record_samples_) {
      const int64_t wanted = record_samples_ - stream_sample;
      writer_->Push(data, static_cast<int>(wanted < count ? wanted : count), stream_sample);
    }
    samples_.store(stream_sample + count, std::memory_order_relaxed);
  }
  blocks_.store(index + 1, std::memory_order_release);
  callback_ticks_ += QpcNow() - entry;
}

int64_t StreamReceiver::short_blocks() const {
  const int expected = block_samples_.load();
  int64_t early_short = 0;
  for (int i = 0; i < early_blocks_; ++i) early_short += early_counts_[i] != expected;
  return short_blocks_ + early_short;
}

double StreamReceiver::first_block_seconds_ago() const {
  const int64_t first = first_block_qpc_.load();
  return first ? QpcSeconds(QpcNow() - first) : 0;
}

StreamTiming StreamReceiver::Timing() const {
  StreamTiming timing;
  if (!end_taken_ || end_blocks_ < 2 || !stream_thread_ || first_cpu_ < 0 || end_cpu_ < 0) return timing;
  timing.measured = true;
  timing.blocks = end_blocks_;  // readings at the entries of block 0 and block end_blocks_
  timing.wall_seconds = QpcSeconds(end_qpc_ - first_block_qpc_);
  timing.cpu_seconds = end_cpu_ - first_cpu_;
  timing.callback_seconds = QpcSeconds(end_callback_ticks_);
  return timing;
}

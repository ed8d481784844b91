#include "extio_host/block_writer.h"

#include <cstring>

BlockWriter::BlockWriter(Sink sink, int queue_blocks, int block_samples) : sink_(std::move(sink)) {
  for (int i = 0; i < queue_blocks; ++i) {
    buffers_.emplace_back(static_cast<size_t>(block_samples) * 2, 0.0f);
    free_.push_back(static_cast<size_t>(i));
  }
  thread_ = std::thread([this] { WriteQueued(); });
}

BlockWriter::~BlockWriter() { Finish(); }

bool BlockWriter::Push(const float* samples, int count, int64_t stream_sample) {
  size_t buffer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty() || finishing_) {
      ++lost_blocks_;
      return false;
    }
    buffer = free_.back();
    free_.pop_back();
  }
  std::vector<float>& copy = buffers_[buffer];
  // A plug-in with larger blocks than expected: the pool grows on its first round.
  if (copy.size() < static_cast<size_t>(count) * 2) copy.resize(static_cast<size_t>(count) * 2);
  memcpy(copy.data(), samples, static_cast<size_t>(count) * 2 * sizeof(float));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({buffer, count, stream_sample});
  }
  queued_.notify_one();
  return true;
}

void BlockWriter::WriteQueued() {
  for (;;) {
    Queued block;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      queued_.wait(lock, [this] { return !queue_.empty() || finishing_; });
      if (queue_.empty()) return;
      block = queue_.front();
      queue_.pop_front();
    }
    if (block.stream_sample != next_stream_sample_) segments_.push_back({samples_written_, block.stream_sample});
    next_stream_sample_ = block.stream_sample + block.count;
    if (!sink_failed_) {
      sink_failed_ = !sink_(buffers_[block.buffer].data(), static_cast<size_t>(block.count) * 2 * sizeof(float));
      if (!sink_failed_) samples_written_ += block.count;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(block.buffer);
  }
}

bool BlockWriter::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  queued_.notify_one();
  if (thread_.joinable()) thread_.join();
  return !sink_failed_;
}

int64_t BlockWriter::lost_blocks() {
  std::lock_guard<std::mutex> lock(mutex_);
  return lost_blocks_;
}

BlockWriter::Sink FileSink(std::FILE* file) {
  return [file](const void* bytes, size_t size) { return file && fwrite(bytes, 1, size, file) == size; };
}

// Copies blocks off the stream thread into a pool of buffers and writes them
// from a thread of its own, so that the plug-in's callback never waits on
// the disk. When the pool is used up the block is lost, and counted.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class BlockWriter {
 public:
  // Writes `bytes` bytes; false when they could not all be written.
  using Sink = std::function<bool(const void* bytes, size_t size)>;
  // A stretch of the stream written without a gap.
  struct Segment {
    int64_t file_sample;    // where it starts in the written data
    int64_t stream_sample;  // where it starts in the stream
  };

  // `queue_blocks` buffers of `block_samples` complex float samples, touched
  // now so that the stream thread takes no page faults on them.
  BlockWriter(Sink sink, int queue_blocks, int block_samples);
  ~BlockWriter();

  // From the stream thread: queues a copy of `count` samples that begin at
  // sample `stream_sample` of the stream. False when no buffer was free.
  bool Push(const float* samples, int count, int64_t stream_sample);
  // Writes what is queued and ends the writer thread; false after a write failed.
  bool Finish();

  int64_t samples_written() const { return samples_written_; }  // after Finish
  int64_t lost_blocks();
  const std::vector<Segment>& segments() const { return segments_; }  // after Finish

 private:
  struct Queued {
    size_t buffer;
    int count;
    int64_t stream_sample;
  };
  void WriteQueued();

  Sink sink_;
  std::vector<std::vector<float>> buffers_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::vector<size_t> free_;
  std::deque<Queued> queue_;
  bool finishing_ = false;
  int64_t lost_blocks_ = 0;
  // Writer thread only until Finish.
  bool sink_failed_ = false;
  int64_t samples_written_ = 0;
  int64_t next_stream_sample_ = -1;
  std::vector<Segment> segments_;
  std::thread thread_;
};

// A sink into a file opened for writing; null file: a sink that fails.
BlockWriter::Sink FileSink(std::FILE* file);

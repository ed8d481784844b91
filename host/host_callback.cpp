#include "host/host_callback.h"

HostCallbackRecorder& HostCallbackRecorder::Instance() {
  static HostCallbackRecorder recorder;
  return recorder;
}

void HostCallbackRecorder::Callback(int count, int status, float value, void* data) {
  HostCallbackRecorder& self = Instance();
  std::function<void(int, int, float, void*)> hook;
  {
    std::lock_guard<std::mutex> lock(self.mutex_);
    hook = self.hook_;
  }
  if (hook) hook(count, status, value, data);
  std::lock_guard<std::mutex> lock(self.mutex_);
  if (count < 0) {
    self.notifications_.push_back({status, count, value, data == nullptr});
    return;
  }
  ++self.block_calls_;
  self.block_samples_ += count;
  if (count != 32768 || status != 0) ++self.bad_block_calls_;
  self.last_block_count_ = count;
  self.last_block_data_ = data;
}

void HostCallbackRecorder::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  notifications_.clear();
  block_calls_ = block_samples_ = bad_block_calls_ = 0;
  last_block_count_ = 0;
  last_block_data_ = nullptr;
  hook_ = nullptr;
}

std::vector<Notification> HostCallbackRecorder::Notifications() {
  std::lock_guard<std::mutex> lock(mutex_);
  return notifications_;
}

std::vector<int> HostCallbackRecorder::NotificationStatuses() {
  std::vector<int> statuses;
  for (const Notification& n : Notifications()) statuses.push_back(n.status);
  return statuses;
}

int64_t HostCallbackRecorder::BlockCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  return block_calls_;
}

int64_t HostCallbackRecorder::BlockSamples() {
  std::lock_guard<std::mutex> lock(mutex_);
  return block_samples_;
}

int HostCallbackRecorder::LastBlockCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_block_count_;
}

void* HostCallbackRecorder::LastBlockData() {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_block_data_;
}

int64_t HostCallbackRecorder::BadBlockCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  return bad_block_calls_;
}

void HostCallbackRecorder::SetHook(std::function<void(int, int, float, void*)> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  hook_ = std::move(hook);
}

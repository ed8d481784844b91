// The host callback: records every block call and notification the plug-in
// makes. A plug-in callback carries no context, so there is one recorder per
// process.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

struct Notification {
  int status;
  int count;    // -1 for a notification
  float value;  // 0.0
  bool data_null;
};

class HostCallbackRecorder {
 public:
  static HostCallbackRecorder& Instance();
  // The function to hand to SetCallback.
  static void Callback(int count, int status, float value, void* data);

  void Clear();
  std::vector<Notification> Notifications();
  std::vector<int> NotificationStatuses();
  int64_t BlockCalls();
  int64_t BlockSamples();  // sum of the counts of all block calls
  int LastBlockCount();
  void* LastBlockData();
  int64_t BadBlockCalls();  // block calls with a count other than 32768 or non-zero status

  // Runs inside every call, on the plug-in's thread, before it is recorded;
  // a block's data is valid only there. Set before streaming starts.
  void SetHook(std::function<void(int count, int status, float value, void* data)> hook);

 private:
  std::mutex mutex_;
  std::vector<Notification> notifications_;
  int64_t block_calls_ = 0;
  int64_t block_samples_ = 0;
  int64_t bad_block_calls_ = 0;
  int last_block_count_ = 0;
  void* last_block_data_ = nullptr;
  std::function<void(int, int, float, void*)> hook_;
};

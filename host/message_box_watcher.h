// Dismisses and records the message boxes that the process shows, from a
// thread of its own, as a user clicking OK would.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenMessageBox {
  std::wstring text;
  std::wstring caption;
  std::string icon;  // "error", "warning", "information", "question" or "none"
  bool has_owner;
};

class MessageBoxWatcher {
 public:
  MessageBoxWatcher();
  ~MessageBoxWatcher();
  std::vector<SeenMessageBox> Seen();
  void Clear();

 private:
  void Watch();
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<SeenMessageBox> seen_;
  std::vector<HWND> dismissed_;
  std::thread thread_;
};

// A fresh plug-in for every test, loaded by path as a host loads it, with both
// simulated libraries reset and the host callback recorder cleared.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/extio_plugin.h"
#include "host/host_callback.h"
#include "host/message_box_watcher.h"
#include "host/message_pump.h"
#include "host/simulated_library.h"

constexpr int StatusSampleRateChanged = 100;
constexpr int StatusLOChanged = 101;
constexpr int StatusGainChanged = 125;

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // InitHW with the host's buffers; true when the plug-in accepted.
  bool Init();
  // InitHW, SetCallback, OpenHW; asserts each succeeded.
  void InitAndOpen();
  // The journal lines since the last ClearJournal.
  std::vector<std::string> Journal() const { return rx.JournalLines(); }
  void ClearJournal() { rx.journal_clear(); }
  std::vector<int> Statuses() { return recorder.NotificationStatuses(); }
  // Runs `inside` from within each notification, as a host's handler would.
  void OnNotification(std::function<void(int status)> inside);
  // Runs `inside` on each block call, while the block is valid.
  void OnBlock(std::function<void(int count, const float* samples)> inside);

  std::unique_ptr<ExtioPlugin> plugin;
  ExtioEntryPoints api;
  SimulatedLibrary rx{"kelvo.dll"};
  SimulatedLibrary sdr{"kelvo_sdr.dll"};
  HostCallbackRecorder& recorder = HostCallbackRecorder::Instance();
  MessageBoxWatcher message_boxes;
  char name[16] = {};
  char model[16] = {};
  int type = 0;
};

// Joins lines for readable failure messages.
std::string Lines(const std::vector<std::string>& lines);

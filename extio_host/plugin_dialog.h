// The plug-in's control dialog as a user meets it: found among this thread's
// windows, and worked with the messages that a user's clicks send. The only
// way a host changes device, input, gains, outputs or clock.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "extio_host/run_options.h"

class PluginDialog {
 public:
  PluginDialog() = default;  // none
  // The dialog that `plugin` created on this thread (at OpenHW), if any.
  static PluginDialog Find(HMODULE plugin);
  bool exists() const { return window_ != nullptr; }
  HWND window() const { return window_; }

  // The rows of its device box, UTF-8; empty without one.
  std::vector<std::string> DeviceRows() const;
  int SelectedDevice() const;
  std::string InputText() const;  // the input box's selected row
  // Each returns "" when done, else why it was not.
  std::string SelectDevice(int row);
  std::string SelectInput(InputMode mode);
  std::string SetLnaGain(int gain);
  std::string SetVgaGain(int gain);
  // A slider's position, or -1 without one.
  int LnaGain() const;
  int VgaGain() const;
  // The read-only texts, as the plug-in's bytes.
  std::string Serial() const;
  std::string Board() const;

 private:
  explicit PluginDialog(HWND window) : window_(window) {}
  HWND Control(int id, const char* window_class) const;
  std::string SelectRow(int combo_id, int row);
  std::string SetSlider(int slider_id, int label_id, const char* label, int value);
  int SliderPosition(int slider_id, int label_id, const char* label) const;
  std::string Text(int id) const;
  HWND window_ = nullptr;
};

// UTF-16 to UTF-8.
std::string Utf8(const std::wstring& text);

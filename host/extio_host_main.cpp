// A command-line ExtIO host: loads a plug-in as a host program does and
// reports what it offers.
//   extio_host list [plugin.dll]
//   extio_host screenshot out.bmp [plugin.dll]   the control dialog while streaming
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/extio_plugin.h"
#include "host/host_callback.h"
#include "host/message_box_watcher.h"
#include "host/message_pump.h"
#include "host/window_bitmap.h"

static const int DeviceComboId = 1002;

// The plug-in shows its device rows only in its control dialog.
static std::vector<std::wstring> DialogDeviceRows() {
  std::vector<std::wstring> rows;
  HWND dialog = FindWindowW(L"#32770", L"Kelvo SDR Settings");
  HWND combo = dialog ? GetDlgItem(dialog, DeviceComboId) : nullptr;
  if (!combo) return rows;
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring row(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(row.data()));
    row.resize(wcslen(row.c_str()));
    rows.push_back(row);
  }
  return rows;
}

static std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  out.resize(strlen(out.c_str()));
  return out;
}

static int List(const std::string& plugin_path) {
  std::string error;
  std::unique_ptr<ExtioPlugin> plugin = ExtioPlugin::Load(plugin_path, &error);
  if (!plugin) {
    fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  for (const std::string& name : plugin->missing) fprintf(stderr, "missing entry point: %s\n", name.c_str());
  if (!plugin->missing.empty()) return 1;

  MessageBoxWatcher boxes;
  char name[64] = {}, model[64] = {};
  int type = 0;
  bool initialised = plugin->api.InitHW(name, model, &type);
  printf("plug-in: %s\nmodel:   %s\ntype:    %d\n", name, model, type);
  for (const SeenMessageBox& box : boxes.Seen())
    printf("message: \"%s\" (%s)\n", Utf8(box.text).c_str(), Utf8(box.caption).c_str());
  if (!initialised) {
    printf("devices: none\n");
    return 2;
  }
  plugin->api.SetCallback(HostCallbackRecorder::Callback);
  if (!plugin->api.OpenHW()) {
    printf("devices: the plug-in listed receivers but could not open the first one\n");
    plugin->api.CloseHW();
    return 3;
  }
  std::vector<std::wstring> rows = DialogDeviceRows();
  printf("devices: %zu\n", rows.size());
  for (size_t i = 0; i < rows.size(); ++i) printf("  %zu: %s\n", i, Utf8(rows[i]).c_str());
  plugin->api.CloseHW();
  return 0;
}

static void PumpFor(DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    PumpMessages();
    Sleep(10);
  }
}

static int Screenshot(const std::string& bitmap_path, const std::string& plugin_path) {
  std::string error;
  std::unique_ptr<ExtioPlugin> plugin = ExtioPlugin::Load(plugin_path, &error);
  if (!plugin || !plugin->missing.empty()) {
    fprintf(stderr, "%s\n", plugin ? "missing entry points" : error.c_str());
    return 1;
  }
  char name[64] = {}, model[64] = {};
  int type = 0;
  if (!plugin->api.InitHW(name, model, &type)) return 2;
  plugin->api.SetCallback(HostCallbackRecorder::Callback);
  if (!plugin->api.OpenHW()) return 3;
  plugin->api.ExtIoSetSrate(8);
  plugin->api.StartHW64(145000000);
  plugin->api.ShowGUI();
  PumpFor(1500);
  HWND dialog = FindWindowW(L"#32770", L"Kelvo SDR Settings");
  bool saved = dialog && SaveWindowBitmap(dialog, bitmap_path);
  plugin->api.StopHW();
  plugin->api.CloseHW();
  if (!saved) fprintf(stderr, "could not capture the dialog\n");
  return saved ? 0 : 4;
}

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "list";
  if (command == "list") return List(argc > 2 ? argv[2] : ProgramDirectory() + "ExtIO_KelvoSDR.dll");
  if (command == "screenshot" && argc > 2)
    return Screenshot(argv[2], argc > 3 ? argv[3] : ProgramDirectory() + "ExtIO_KelvoSDR.dll");
  fprintf(stderr, "usage: extio_host list [plugin.dll]\n       extio_host screenshot out.bmp [plugin.dll]\n");
  return 64;
}

// "extio_host list": what a plug-in offers, as a host's input list shows it.
#include <cstdio>
#include <memory>

#include "extio_host/commands.h"
#include "extio_host/plugin_dialog.h"
#include "extio_host/run_session.h"
#include "host/extio_plugin.h"
#include "host/host_callback.h"
#include "host/message_box_watcher.h"
#include "host/message_pump.h"

std::string DefaultPluginPath() { return ProgramDirectory() + "ExtIO_KelvoSDR.dll"; }

static void PrintRates(const ExtioEntryPoints& api) {
  if (!api.ExtIoGetSrates) return;
  double rate = 0;
  printf("sample rates:\n");
  for (int row = 0; row < 100 && api.ExtIoGetSrates(row, &rate) == 0; ++row) printf("  %d: %.0f Hz\n", row, rate);
}

int ListCommand(const std::string& plugin_path) {
  std::string error;
  std::unique_ptr<ExtioPlugin> plugin = ExtioPlugin::Load(plugin_path, &error);
  if (!plugin) {
    fprintf(stderr, "%s\n", error.c_str());
    return ExitPluginUnusable;
  }
  const ExtioEntryPoints& api = plugin->api;
  if (!api.InitHW || !api.OpenHW || !api.CloseHW || !api.SetCallback) {
    fprintf(stderr, "%s lacks InitHW, OpenHW, CloseHW or SetCallback\n", plugin_path.c_str());
    return ExitPluginUnusable;
  }
  MessageBoxWatcher boxes;
  char name[256] = {}, model[256] = {};
  int type = 0;
  bool initialised = api.InitHW(name, model, &type);
  printf("plug-in: %s\nmodel:   %s\ntype:    %d\n", name, model, type);
  for (const SeenMessageBox& box : boxes.Seen())
    printf("message: \"%s\" (%s)\n", Utf8(box.text).c_str(), Utf8(box.caption).c_str());
  if (!initialised) {
    printf("devices: none\n");
    return ExitNoDevice;
  }
  api.SetCallback(HostCallbackRecorder::Callback);
  if (!api.OpenHW()) {
    printf("devices: the plug-in listed receivers but could not open the first one\n");
    api.CloseHW();
    return ExitOpenRefused;
  }
  PumpMessages();
  // The plug-in shows its device rows only in its control dialog.
  PluginDialog dialog = PluginDialog::Find(plugin->module());
  std::vector<std::string> rows = dialog.DeviceRows();
  if (!dialog.exists())
    printf("devices: the plug-in has no control dialog to list them\n");
  else
    printf("devices: %zu\n", rows.size());
  for (size_t i = 0; i < rows.size(); ++i) printf("  %zu: %s\n", i, rows[i].c_str());
  PrintRates(api);
  api.CloseHW();
  return ExitOk;
}

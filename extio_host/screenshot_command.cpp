// "extio_host screenshot": a picture of the control dialog while a stream runs.
#include <cstdio>
#include <memory>

#include "extio_host/commands.h"
#include "extio_host/plugin_dialog.h"
#include "extio_host/run_session.h"
#include "host/extio_plugin.h"
#include "host/host_callback.h"
#include "host/message_pump.h"
#include "host/window_bitmap.h"

static void PumpFor(DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    PumpMessages();
    Sleep(10);
  }
}

int ScreenshotCommand(const std::string& bitmap_path, const std::string& plugin_path) {
  std::string error;
  std::unique_ptr<ExtioPlugin> plugin = ExtioPlugin::Load(plugin_path, &error);
  if (!plugin || !plugin->missing.empty()) {
    fprintf(stderr, "%s\n", plugin ? "missing entry points" : error.c_str());
    return ExitPluginUnusable;
  }
  char name[256] = {}, model[256] = {};
  int type = 0;
  if (!plugin->api.InitHW(name, model, &type)) return ExitNoDevice;
  plugin->api.SetCallback(HostCallbackRecorder::Callback);
  if (!plugin->api.OpenHW()) return ExitOpenRefused;
  plugin->api.ExtIoSetSrate(8);
  plugin->api.StartHW64(145000000);
  plugin->api.ShowGUI();
  PumpFor(1500);
  PluginDialog dialog = PluginDialog::Find(plugin->module());
  bool saved = dialog.exists() && SaveWindowBitmap(dialog.window(), bitmap_path);
  plugin->api.StopHW();
  plugin->api.CloseHW();
  if (!saved) fprintf(stderr, "could not capture the dialog\n");
  return saved ? ExitOk : ExitOutputFailed;
}

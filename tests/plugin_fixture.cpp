#include "tests/plugin_fixture.h"

void PluginTest::SetUp() {
  ASSERT_TRUE(rx.ok() && sdr.ok()) << "simulated libraries not found beside the test program";
  ASSERT_EQ(rx.reset(), 0);
  ASSERT_EQ(sdr.reset(), 0);
  rx.set_devices("RX1");
  sdr.set_devices("SDR1");
  recorder.Clear();
  std::string error;
  plugin = ExtioPlugin::LoadFreshCopy(ProgramDirectory() + "ExtIO_KelvoSDR.dll", &error);
  ASSERT_TRUE(plugin) << error;
  ASSERT_TRUE(plugin->missing.empty()) << "missing entry point " << plugin->missing.front();
  api = plugin->api;
  rx.journal_clear();
}

void PluginTest::TearDown() {
  // What a host does before unloading: stop, close.
  if (plugin) {
    api.StopHW();
    api.CloseHW();
    PumpMessages();
    plugin.reset();
  }
  recorder.Clear();
}

bool PluginTest::Init() { return api.InitHW(name, model, &type); }

void PluginTest::InitAndOpen() {
  ASSERT_TRUE(Init());
  api.SetCallback(HostCallbackRecorder::Callback);
  ASSERT_TRUE(api.OpenHW());
}

void PluginTest::OnNotification(std::function<void(int status)> inside) {
  recorder.SetHook([inside](int count, int status, float, void*) {
    if (count == -1) inside(status);
  });
}

void PluginTest::OnBlock(std::function<void(int count, const float* samples)> inside) {
  recorder.SetHook([inside](int count, int, float, void* data) {
    if (count > 0) inside(count, static_cast<const float*>(data));
  });
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

// The module as a host first meets it: its export table, its defaults, and
// the frame's own entry points.
#include <cstring>

#include "tests/plugin_fixture.h"

namespace {

struct ExportCase {
  const char* plain;
  const char* decorated;
  bool plain_exported;
};

// Every entry point by both of its names.
const ExportCase Exports[] = {
    {"InitHW", "_InitHW@12", true},
    {"OpenHW", "_OpenHW@0", true},
    {"StartHW", "_StartHW@4", true},
    {"StartHW64", "_StartHW64@8", false},
    {"StopHW", "_StopHW@0", true},
    {"CloseHW", "_CloseHW@0", true},
    {"SetHWLO", "_SetHWLO@4", true},
    {"SetHWLO64", "_SetHWLO64@8", true},
    {"GetStatus", "_GetStatus@0", true},
    {"SetCallback", "_SetCallback@4", true},
    {"GetHWLO", "_GetHWLO@0", true},
    {"GetHWLO64", "_GetHWLO64@0", true},
    {"GetHWSR", "_GetHWSR@0", true},
    {"VersionInfo", "_VersionInfo@12", true},
    {"ExtIoGetSrates", "_ExtIoGetSrates@8", true},
    {"ExtIoGetActualSrateIdx", "_ExtIoGetActualSrateIdx@0", true},
    {"ExtIoSetSrate", "_ExtIoSetSrate@4", true},
    {"ExtIoGetSetting", "_ExtIoGetSetting@12", true},
    {"ExtIoSetSetting", "_ExtIoSetSetting@8", true},
    {"ShowGUI", "_ShowGUI@0", true},
    {"HideGUI", "_HideGUI@0", true},
    {"SwitchGUI", "_SwitchGUI@0", false},
};

using FrameTest = PluginTest;

TEST_F(FrameTest, EveryEntryPointIsFoundByItsNames) {
  for (const ExportCase& e : Exports) {
    SCOPED_TRACE(e.plain);
    FARPROC decorated = plugin->Find(e.decorated);
    EXPECT_NE(decorated, nullptr);
    if (e.plain_exported) {
      EXPECT_EQ(plugin->Find(e.plain), decorated) << "both names must lead to one function";
    } else {
      EXPECT_EQ(plugin->Find(e.plain), nullptr);
    }
  }
}

std::string Setting(const ExtioEntryPoints& api, int number) {
  char key[1024] = {}, value[1024] = {};
  EXPECT_EQ(api.ExtIoGetSetting(number, key, value), 0);
  return std::string(key) + "=" + value;
}

TEST_F(FrameTest, FreshModuleHoldsItsDefaults) {
  EXPECT_EQ(api.GetHWLO64(), 100000000);
  EXPECT_EQ(api.GetHWLO(), 100000000);
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 5);
  EXPECT_EQ(Setting(api, 1), "SampleRateIdx=5");
  EXPECT_EQ(Setting(api, 2), "SamplingMode=0");
  EXPECT_EQ(Setting(api, 3), "ExternalClock=0");
  EXPECT_EQ(Setting(api, 4), "LNAGain=0");
  EXPECT_EQ(Setting(api, 5), "VGAGain=0");
  EXPECT_EQ(api.GetStatus(), 0);
  // Not initialised and nothing open: no start, no device touched.
  EXPECT_EQ(api.StartHW64(145000000), -1);
  EXPECT_FALSE(api.OpenHW());
  api.ShowGUI();
  api.SwitchGUI();
  api.HideGUI();
  api.CloseHW();
  EXPECT_EQ(api.GetHWLO64(), 100000000) << "a refused start must not touch the LO";
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());
}

TEST_F(FrameTest, NotificationsGoOnlyToARegisteredCallback) {
  EXPECT_EQ(api.ExtIoSetSrate(3), 0);  // no callback yet: skipped
  EXPECT_TRUE(recorder.Notifications().empty());
  api.SetCallback(HostCallbackRecorder::Callback);
  EXPECT_EQ(api.ExtIoSetSrate(4), 0);
  ASSERT_EQ(recorder.Notifications().size(), 1u);
  Notification n = recorder.Notifications()[0];
  EXPECT_EQ(n.count, -1);
  EXPECT_EQ(n.status, StatusSampleRateChanged);
  EXPECT_EQ(n.value, 0.0f);
  EXPECT_TRUE(n.data_null);
  api.SetCallback(nullptr);
  EXPECT_EQ(api.ExtIoSetSrate(5), 0);
  EXPECT_EQ(recorder.Notifications().size(), 1u);
}

TEST_F(FrameTest, VersionInfoChangesNothing) {
  api.VersionInfo("HDSDR", 2, 81);
  api.VersionInfo(nullptr, -1, 0x7FFFFFFF);
  EXPECT_EQ(api.GetHWLO64(), 100000000);
  EXPECT_EQ(api.ExtIoGetActualSrateIdx(), 5);
  EXPECT_TRUE(Journal().empty());
  EXPECT_EQ(api.GetStatus(), 0);
}

}  // namespace

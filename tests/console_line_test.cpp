// The diagnostic line after a listing goes to the host's console device.
#include "host/console_screen.h"
#include "tests/plugin_fixture.h"

namespace {

using ConsoleLineTest = PluginTest;

TEST_F(ConsoleLineTest, ListingWritesTheDeviceCount) {
  if (!ConsoleAvailable()) GTEST_SKIP() << "Skipping: this process has no console";
  rx.set_devices("SN1 SN2");
  sdr.set_devices("SN3");
  ClearConsoleScreen();
  ASSERT_TRUE(Init());
  EXPECT_EQ(ReadConsoleScreen(), "found 3 Kelvo SDR devices");
}

TEST_F(ConsoleLineTest, NothingFoundWritesNothing) {
  if (!ConsoleAvailable()) GTEST_SKIP() << "Skipping: this process has no console";
  rx.set_devices("");
  sdr.set_devices("");
  ClearConsoleScreen();
  EXPECT_FALSE(Init());
  EXPECT_EQ(ReadConsoleScreen(), "");
}

}  // namespace

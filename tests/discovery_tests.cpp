// InitHW: identity, the listing of both libraries, and a listing that finds nothing.
#include <cstring>

#include "tests/plugin_fixture.h"

namespace {

using DiscoveryTest = PluginTest;

TEST_F(DiscoveryTest, ReportsIdentityInTenBytes) {
  char host_name[16], host_model[16];
  memset(host_name, '#', sizeof host_name);
  memset(host_model, '#', sizeof host_model);
  int host_type = 0;
  ASSERT_TRUE(api.InitHW(host_name, host_model, &host_type));
  EXPECT_STREQ(host_name, "Kelvo SDR");
  EXPECT_STREQ(host_model, "Kelvo SDR");
  EXPECT_EQ(host_name[10], '#') << "more than ten bytes written";
  EXPECT_EQ(host_model[10], '#') << "more than ten bytes written";
  EXPECT_EQ(host_type, 7);
}

TEST_F(DiscoveryTest, ListsRxThenSdrAndOpensRowZero) {
  ASSERT_TRUE(Init());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.list_devices", "sdr.list_devices"}));
  EXPECT_TRUE(message_boxes.Seen().empty());
  ClearJournal();
  ASSERT_TRUE(api.OpenHW());
  ASSERT_FALSE(Journal().empty());
  EXPECT_EQ(Journal()[0], "rx.open(index=0)");
}

TEST_F(DiscoveryTest, SdrOnlyListingOpensTheSdrLibrary) {
  rx.set_devices("");
  sdr.set_devices("SN3 SN4");
  ASSERT_TRUE(Init());
  ClearJournal();
  ASSERT_TRUE(api.OpenHW());
  EXPECT_EQ(Journal()[0], "sdr.open(index=0)");
}

TEST_F(DiscoveryTest, SecondInitListsNothingAgain) {
  ASSERT_TRUE(Init());
  ClearJournal();
  memset(name, 0, sizeof name);
  type = 0;
  EXPECT_TRUE(Init());
  EXPECT_STREQ(name, "Kelvo SDR");
  EXPECT_EQ(type, 7);
  EXPECT_TRUE(Journal().empty()) << Lines(Journal());
}

TEST_F(DiscoveryTest, NothingFoundTellsTheUserAndRefuses) {
  rx.set_devices("");
  sdr.set_devices("");
  EXPECT_FALSE(Init());
  std::vector<SeenMessageBox> boxes = message_boxes.Seen();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"No Kelvo SDR devices found");
  EXPECT_EQ(boxes[0].caption, L"ExtIO Kelvo SDR");
  EXPECT_EQ(boxes[0].icon, "error");
  EXPECT_FALSE(boxes[0].has_owner);
  EXPECT_STREQ(name, "Kelvo SDR");
  EXPECT_FALSE(api.OpenHW());
  EXPECT_EQ(api.StartHW64(100000000), -1);

  // The next InitHW asks both libraries again.
  sdr.set_devices("SN3");
  ClearJournal();
  EXPECT_TRUE(Init());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"rx.list_devices", "sdr.list_devices"}));
}

TEST_F(DiscoveryTest, CountsWithoutTokensFindNothing) {
  rx.set_raw_listing(3, "   ", 3);
  sdr.set_raw_listing(5, "", 0);
  EXPECT_FALSE(Init());
  EXPECT_EQ(message_boxes.Seen().size(), 1u);
}

struct HostileCase {
  const char* name;
  uint32_t rx_count;
  std::string rx_bytes;
  const char* first_open;
};

std::string ManyDevices(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::string(1, static_cast<char>('A' + i % 26)) + " ";
  return text.substr(0, 256);
}

// Careless library listings: the plug-in must list what it can and go on.
const HostileCase HostileCases[] = {
    {"no terminator in 256 bytes", 5, std::string(256, 'Z'), "rx.open(index=0)"},
    {"a 100-character serial", 1, std::string(100, 'L'), "rx.open(index=0)"},
    {"70 devices", 70, ManyDevices(70), "rx.open(index=0)"},
    {"count of -1", 0xFFFFFFFFu, "SN1 SN2", "rx.open(index=0)"},
};

TEST_F(DiscoveryTest, HostileListingsStayInBounds) {
  for (const HostileCase& c : HostileCases) {
    SCOPED_TRACE(c.name);
    // Each case needs a fresh plug-in: the state is never reset.
    TearDown();
    SetUp();
    rx.set_raw_listing(c.rx_count, c.rx_bytes.data(), static_cast<int>(c.rx_bytes.size()));
    sdr.set_devices("SDR1");
    ASSERT_TRUE(Init());
    ClearJournal();
    ASSERT_TRUE(api.OpenHW());
    EXPECT_EQ(Journal()[0], c.first_open);
  }
}

}  // namespace

#include "device/device_listing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct ListingCase {
  const char* name;
  std::string buffer;  // bytes as a library left them (zero-padded to 256)
  uint32_t count;
  DeviceKindValue kind;
  std::vector<std::string> expected;
};

std::vector<std::string> Names(const DeviceRow* table, int rows) {
  std::vector<std::string> names;
  for (int i = 0; i < rows; ++i) names.push_back(table[i].DeviceName);
  return names;
}

// One library's listing read into an empty table.
const ListingCase ListingCases[] = {
    {"two serials", "SN1 SN2", 2, DeviceKindRx, {"SN1", "SN2"}},
    {"sdr marker", "SN3", 1, DeviceKindSdr, {"SN3 (rapix)"}},
    {"spaces around and between", " SN1  SN2 ", 2, DeviceKindRx, {"SN1", "SN2"}},
    {"count above tokens", "SN1 SN2", 3, DeviceKindRx, {"SN1", "SN2"}},
    {"count below tokens", "SN1 SN2", 1, DeviceKindRx, {"SN1"}},
    {"count zero", "SN1 SN2", 0, DeviceKindRx, {}},
    {"negative count read unsigned", "SN1 SN2", 0xFFFFFFFFu, DeviceKindRx, {"SN1", "SN2"}},
    {"only space separates", "A\tB,C\nD E", 9, DeviceKindRx, {"A\tB,C\nD", "E"}},
    {"empty text", "", 4, DeviceKindRx, {}},
    {"only spaces", "    ", 4, DeviceKindRx, {}},
    {"text after the terminator ignored", std::string("SN1\0SN2", 7), 2, DeviceKindRx, {"SN1"}},
};

TEST(DeviceListing, ReadsOneLibrarysListing) {
  for (const ListingCase& c : ListingCases) {
    SCOPED_TRACE(c.name);
    char buffer[256] = {};
    memcpy(buffer, c.buffer.data(), c.buffer.size());
    DeviceRow table[MaxDevices] = {};
    int rows = AppendListedDevices(buffer, sizeof buffer, c.count, c.kind, table, 0, MaxDevices);
    EXPECT_EQ(Names(table, rows), c.expected);
    for (int i = 0; i < rows; ++i) {
      EXPECT_EQ(table[i].DeviceKind, c.kind);
      EXPECT_EQ(table[i].DeviceLibIndex, i);
    }
  }
}

TEST(DeviceListing, SdrRowsFollowRxRowsWithTheirOwnIndex) {
  DeviceRow table[MaxDevices] = {};
  char buffer[256] = "SN1 SN2";
  int rows = AppendListedDevices(buffer, sizeof buffer, 2, DeviceKindRx, table, 0, MaxDevices);
  // The sdr library writes over the same buffer.
  memcpy(buffer, "SN3", 4);
  rows = AppendListedDevices(buffer, sizeof buffer, 1, DeviceKindSdr, table, rows, MaxDevices);
  ASSERT_EQ(rows, 3);
  EXPECT_STREQ(table[2].DeviceName, "SN3 (rapix)");
  EXPECT_EQ(table[2].DeviceKind, DeviceKindSdr);
  EXPECT_EQ(table[2].DeviceLibIndex, 0);
  EXPECT_EQ(table[1].DeviceLibIndex, 1);
}

// Hostile listings: nothing may be read past the buffer or written past the table.
TEST(DeviceListing, UnterminatedBufferIsReadOnlyToItsEnd) {
  // The buffer sits at the end of a larger block whose next byte is a token
  // character: reading one byte too far would lengthen the last name.
  char memory[257];
  memset(memory, 'A', sizeof memory);
  memory[100] = ' ';
  DeviceRow table[MaxDevices] = {};
  int rows = AppendListedDevices(memory, 256, 5, DeviceKindRx, table, 0, MaxDevices);
  ASSERT_EQ(rows, 2);
  EXPECT_EQ(std::string(table[0].DeviceName), std::string(63, 'A'));  // shortened
  EXPECT_EQ(std::string(table[1].DeviceName), std::string(63, 'A'));  // 155 chars, shortened
}

TEST(DeviceListing, LongTokensAreShortenedKeepingTheMarker) {
  char buffer[256] = {};
  std::string serial(100, 'S');
  memcpy(buffer, serial.data(), serial.size());
  for (DeviceKindValue kind : {DeviceKindRx, DeviceKindSdr}) {
    SCOPED_TRACE(kind);
    DeviceRow table[2] = {};
    memset(&table[1], 0x5A, sizeof table[1]);
    ASSERT_EQ(AppendListedDevices(buffer, sizeof buffer, 1, kind, table, 0, 1), 1);
    std::string expected = kind == DeviceKindRx ? std::string(63, 'S') : std::string(55, 'S') + " (rapix)";
    EXPECT_EQ(std::string(table[0].DeviceName), expected);
    EXPECT_EQ(table[0].DeviceLibIndex, 0);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&table[1])[0], 0x5A) << "wrote past the row";
  }
}

TEST(DeviceListing, StopsAtTheLastRow) {
  // 70 one-letter devices from the rx library, then 3 from the sdr library.
  char buffer[256] = {};
  for (int i = 0; i < 70; ++i) memcpy(buffer + 2 * i, "X ", 2);
  DeviceRow table[MaxDevices + 1] = {};
  memset(&table[MaxDevices], 0x5A, sizeof table[MaxDevices]);
  int rows = AppendListedDevices(buffer, sizeof buffer, 70, DeviceKindRx, table, 0, MaxDevices);
  EXPECT_EQ(rows, MaxDevices);
  EXPECT_EQ(table[MaxDevices - 1].DeviceLibIndex, MaxDevices - 1);
  rows = AppendListedDevices("A B C", 6, 3, DeviceKindSdr, table, rows, MaxDevices);
  EXPECT_EQ(rows, MaxDevices);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&table[MaxDevices])[0], 0x5A) << "wrote past the table";
}

}  // namespace

#include "device/board_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct BoardCase {
  const char* name;
  std::string hw, fw;  // up to 32 bytes each; 32 means no terminator
  std::string expected;
};

const BoardCase BoardCases[] = {
    {"ordinary", "2.1", "1.4.0", "hw: r.2.1 fw: v.1.4.0"},
    {"empty texts", "", "", "hw: r. fw: v."},
    {"fits exactly", std::string(25, 'h'), std::string(25, 'f'),
     "hw: r." + std::string(25, 'h') + " fw: v." + std::string(25, 'f')},
    {"long hardware beside short firmware", std::string(31, 'h'), "1.0",
     "hw: r." + std::string(31, 'h') + " fw: v.1.0"},
    {"both long share the room", std::string(31, 'h'), std::string(31, 'f'),
     "hw: r." + std::string(25, 'h') + " fw: v." + std::string(25, 'f')},
    {"long firmware keeps the short hardware", "2", std::string(31, 'f'),
     "hw: r.2 fw: v." + std::string(31, 'f')},
    {"unterminated buffers", std::string(32, 'h'), std::string(32, 'f'),
     "hw: r." + std::string(25, 'h') + " fw: v." + std::string(25, 'f')},
};

TEST(BoardInfo, FormatsWithinSixtyFourBytes) {
  for (const BoardCase& c : BoardCases) {
    SCOPED_TRACE(c.name);
    // Each text in a 32-byte buffer followed by a byte that must never be read.
    char hw[33], fw[33];
    memset(hw, 'X', sizeof hw);
    memset(fw, 'Y', sizeof fw);
    memcpy(hw, c.hw.c_str(), c.hw.size() < 32 ? c.hw.size() + 1 : 32);
    memcpy(fw, c.fw.c_str(), c.fw.size() < 32 ? c.fw.size() + 1 : 32);
    char out[BoardInfoSize + 1];
    memset(out, 0x5A, sizeof out);
    FormatBoardInfo(reinterpret_cast<char(&)[BoardInfoSize]>(out), hw, fw);
    EXPECT_EQ(std::string(out), c.expected);
    EXPECT_EQ(out[BoardInfoSize], 0x5A) << "wrote past BoardInfo";
  }
}

}  // namespace

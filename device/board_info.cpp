#include "device/board_info.h"

#include <cstdio>
#include <cstring>

static constexpr size_t LibraryTextSize = 32;  // each board text buffer
static constexpr int FormatOverhead = 13;  // "hw: r." + " fw: v."
static constexpr size_t TextBudget = BoardInfoSize - 1 - FormatOverhead;

void FormatBoardInfo(char (&out)[BoardInfoSize], const char* hw_revision, const char* fw_version) {
  size_t hw = strnlen(hw_revision, LibraryTextSize);
  size_t fw = strnlen(fw_version, LibraryTextSize);
  if (hw + fw > TextBudget) {
    const size_t half = TextBudget / 2;
    if (hw <= half) {
      fw = TextBudget - hw;
    } else if (fw <= half) {
      hw = TextBudget - fw;
    } else {
      hw = half;
      fw = TextBudget - half;
    }
  }
  snprintf(out, sizeof out, "hw: r.%.*s fw: v.%.*s", static_cast<int>(hw), hw_revision,
           static_cast<int>(fw), fw_version);
}

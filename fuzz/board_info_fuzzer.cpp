// The board text from the library's two 32-byte buffers, as OpenHW formats it.
// Input: bytes 0..31 = hardware revision buffer, 32..63 = firmware version
// buffer; missing bytes are zero. Neither buffer need hold a terminator.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "device/board_info.h"
#include "fuzz/fuzz_check.h"

static constexpr size_t LibraryTextSize = 32;
static constexpr std::string_view HwLabel = "hw: r.";
static constexpr std::string_view FwLabel = " fw: v.";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exact sizes on the heap, so that a read or write one byte beyond is caught.
  std::unique_ptr<char[]> hw(new char[LibraryTextSize]()), fw(new char[LibraryTextSize]());
  memcpy(hw.get(), data, std::min(size, LibraryTextSize));
  if (size > LibraryTextSize) memcpy(fw.get(), data + LibraryTextSize, std::min(size - LibraryTextSize, LibraryTextSize));
  auto out = std::make_unique<char[][BoardInfoSize]>(1);
  memset(out[0], 'Z', BoardInfoSize);

  FormatBoardInfo(out[0], hw.get(), fw.get());

  const size_t length = strnlen(out[0], BoardInfoSize);
  FUZZ_CHECK(length < BoardInfoSize);  // terminated within 64 bytes
  const std::string_view text(out[0], length);
  const std::string_view hw_text(hw.get(), strnlen(hw.get(), LibraryTextSize));
  const std::string_view fw_text(fw.get(), strnlen(fw.get(), LibraryTextSize));

  // "hw: r." + a prefix of each text with " fw: v." between; the room left
  // (50 bytes) is shared so that neither text drops below 25 bytes unless it
  // was shorter, and none of it is wasted.
  const size_t room = BoardInfoSize - 1 - HwLabel.size() - FwLabel.size();
  FUZZ_CHECK(text.substr(0, HwLabel.size()) == HwLabel);
  FUZZ_CHECK(length >= HwLabel.size() + FwLabel.size());
  const size_t kept = length - HwLabel.size() - FwLabel.size();
  FUZZ_CHECK(kept == std::min(hw_text.size() + fw_text.size(), room));
  bool split_found = false;
  for (size_t hw_kept = 0; hw_kept <= std::min(kept, hw_text.size()) && !split_found; ++hw_kept) {
    const size_t fw_kept = kept - hw_kept;
    if (fw_kept > fw_text.size()) continue;
    if (hw_kept < std::min(hw_text.size(), room / 2) || fw_kept < std::min(fw_text.size(), room / 2)) continue;
    split_found = text.substr(HwLabel.size(), hw_kept) == hw_text.substr(0, hw_kept) &&
                  text.substr(HwLabel.size() + hw_kept, FwLabel.size()) == FwLabel &&
                  text.substr(HwLabel.size() + hw_kept + FwLabel.size()) == fw_text.substr(0, fw_kept);
  }
  FUZZ_CHECK(split_found);
  return 0;
}

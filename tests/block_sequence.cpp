#include "tests/block_sequence.h"

#include <algorithm>

BlockAccount AccountForBlocks(const std::vector<uint32_t>& numbers, int64_t produced,
                              const std::vector<ClearedWindow>& windows) {
  BlockAccount account;
  std::vector<bool> may_miss(static_cast<size_t>(std::max<int64_t>(produced, 0)), false);
  for (const ClearedWindow& window : windows)
    for (int64_t n = std::max<int64_t>(window.before - 1, 0); n < std::min(window.after, produced); ++n)
      may_miss[static_cast<size_t>(n)] = true;

  int64_t next = 0;  // the lowest number not yet accounted for
  auto missing_up_to = [&](int64_t end) {
    for (; next < end; ++next) {
      if (!may_miss[static_cast<size_t>(next)] && account.fault.empty())
        account.fault = "block " + std::to_string(next) + " missing outside any cleared window";
      ++account.not_delivered;
    }
  };
  for (const uint32_t number : numbers) {
    const int64_t n = number;
    if (n >= produced) {
      if (account.fault.empty())
        account.fault = "block " + std::to_string(n) + " received, but " + std::to_string(produced) + " produced";
      continue;
    }
    if (n < next) {
      if (account.fault.empty())
        account.fault = "block " + std::to_string(n) + " received again or out of order, after block " +
                        std::to_string(next - 1);
      continue;
    }
    missing_up_to(n);
    ++account.received;
    next = n + 1;
  }
  missing_up_to(produced);
  return account;
}

// Accounting for numbered blocks (kelvo_sim_set_block_numbering): the numbers
// a host received, against what the library produced and the windows in
// which the host had cleared its callback on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ClearedWindow {
  int64_t before;  // the library's block counter just before the callback was cleared
  int64_t after;   // the same counter just after a callback was set again
};

struct BlockAccount {
  int64_t received = 0;
  int64_t not_delivered = 0;  // produced, not received, inside a cleared window
  std::string fault;          // the first fault found; empty when sound
};

// `numbers` in arrival order, counted from the library's first number. Sound
// when each is below `produced` and above the one before (none twice, none out
// of order), and every missing number n lies in a window: before - 1 <= n < after.
// The block before `before` may still have been in flight when the callback
// was cleared; a block counted after `after` found a callback set again.
BlockAccount AccountForBlocks(const std::vector<uint32_t>& numbers, int64_t produced,
                              const std::vector<ClearedWindow>& windows);

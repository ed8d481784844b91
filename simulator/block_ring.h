// Ring of sample blocks, each ending exactly at an inaccessible page so that
// a host reading past a block's end faults instead of reading stale data.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kelvo_sim {

class BlockRing {
 public:
  BlockRing() = default;
  ~BlockRing() { release(); }
  BlockRing(const BlockRing&) = delete;
  BlockRing& operator=(const BlockRing&) = delete;

  // `count` blocks of `samples` complex floats; false if that cannot be had.
  bool allocate(uint32_t count, uint32_t samples);
  void release();

  float* block(uint32_t i) const;
  uint32_t count() const { return count_; }

 private:
  void* base_ = nullptr;
  size_t slot_ = 0;      // bytes per block slot, guard page included
  size_t offset_ = 0;    // start of the block within its slot
  uint32_t count_ = 0;
};

}  // namespace kelvo_sim

#include "stream/block_delivery.h"

#include "frame/plugin_state.h"
#include "stream/direct_sampling_shaper.h"

// The block rewritten for the current SamplingMode, read once for the whole block.
static void ShapeDirectSampling(float* samples, uint32_t count) {
  ShapeBlock(samples, count, State.SamplingMode.load(Relaxed));
}

void OnSamples(float* samples, uint32_t count, void*) {
  // One read serves the whole block, so a concurrent SetCallback can only
  // take effect from the next block.
  HostCallbackFn callback = State.HostCallback.load(Relaxed);
  State.StreamActive.store(1, Relaxed);
  if (!callback) return;
  ShapeDirectSampling(samples, count);
  // The host is told 32768 samples, but never more than the buffer holds.
  const int delivered = count < static_cast<uint32_t>(SamplesPerBlock) ? static_cast<int>(count) : SamplesPerBlock;
  callback(delivered, 0, 0.0f, samples);
}

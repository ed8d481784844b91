#include "stream/direct_sampling_shaper.h"

#include <cstring>

#include "frame/plugin_state.h"

static constexpr uint32_t SignBit = 0x80000000u;

// `pick` is 0 for the I values (HF1), 1 for the Q values (HF2).
static void ShapeGroups(float* samples, uint32_t groups, int pick) {
  for (uint32_t g = 0; g < groups; ++g) {
    uint32_t v[8];
    memcpy(v, samples + 8 * g, sizeof v);
    const uint32_t out[8] = {v[0 + pick], 0, v[2 + pick] ^ SignBit, 0,
                             v[4 + pick], 0, v[6 + pick] ^ SignBit, 0};
    memcpy(samples + 8 * g, out, sizeof out);
  }
}

void ShapeBlock(float* samples, uint32_t count, int mode) {
  if (mode == ModeHF1Direct) {
    ShapeGroups(samples, count / 4, 0);
  } else if (mode == ModeHF2Direct) {
    ShapeGroups(samples, count / 4, 1);
  }
}

void ShapeDirectSampling(float* samples, uint32_t count) {
  ShapeBlock(samples, count, State.SamplingMode.load(Relaxed));
}

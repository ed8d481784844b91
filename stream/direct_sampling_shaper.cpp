#include "stream/direct_sampling_shaper.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "frame/plugin_types.h"

static constexpr uint32_t SignBit = 0x80000000u;

// `pick` is 0 for the I values (HF1), 1 for the Q values (HF2).
#if defined(__SSE2__)
// The pattern repeats every two samples, so each 128-bit word I0 Q0 I1 Q1
// becomes X0 0 -X1 0 on its own: HF1 masks the Q lanes, HF2 shifts Q down
// into the I lane of each 64-bit half (which zeroes the upper lane), and both
// flip the sign of lane 2. Integer operations only: exact on any bit pattern.
static void ShapeGroups(float* samples, uint32_t groups, int pick) {
  __m128i* words = reinterpret_cast<__m128i*>(samples);
  const size_t count = 2 * size_t{groups};
  const __m128i negate_odd = _mm_set_epi32(0, static_cast<int>(SignBit), 0, 0);
  if (pick == 0) {
    const __m128i keep_i = _mm_set_epi32(0, -1, 0, -1);
    for (size_t i = 0; i < count; ++i)
      _mm_storeu_si128(words + i, _mm_xor_si128(_mm_and_si128(_mm_loadu_si128(words + i), keep_i), negate_odd));
  } else {
    for (size_t i = 0; i < count; ++i)
      _mm_storeu_si128(words + i, _mm_xor_si128(_mm_srli_epi64(_mm_loadu_si128(words + i), 32), negate_odd));
  }
}
#else
static void ShapeGroups(float* samples, uint32_t groups, int pick) {
  for (uint32_t g = 0; g < groups; ++g) {
    uint32_t v[8];
    memcpy(v, samples + 8 * g, sizeof v);
    const uint32_t out[8] = {v[0 + pick], 0, v[2 + pick] ^ SignBit, 0,
                             v[4 + pick], 0, v[6 + pick] ^ SignBit, 0};
    memcpy(samples + 8 * g, out, sizeof out);
  }
}
#endif

void ShapeBlock(float* samples, uint32_t count, int mode) {
  if (mode == ModeHF1Direct) {
    ShapeGroups(samples, count / 4, 0);
  } else if (mode == ModeHF2Direct) {
    ShapeGroups(samples, count / 4, 1);
  }
}

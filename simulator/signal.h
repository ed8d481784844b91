// Precomputed receiver signal: one ring length, repeated by the reader.
#pragma once

#include <stddef.h>

namespace kelvo_sim {

struct SignalParams {
  double rate_hz;
  bool direct;      // direct sampling: I and Q carry separate real tones
  double tone_hz;   // RF mode: complex tone offset from the LO
  double hf1_hz;    // direct mode, on I
  double hf2_hz;    // direct mode, on Q
};

// Fills `out` with `length` complex samples (I,Q interleaved). Tone
// frequencies are rounded to whole cycles per `length`, so the block after
// the last one of the ring continues the first without a phase jump.
void generate_signal(const SignalParams& params, float* out, size_t length);

}  // namespace kelvo_sim

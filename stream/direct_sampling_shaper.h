#pragma once

#include <cstdint>

// Rewrites a block in place for `mode`: in the single-HF-input modes each group
// of four samples I0 Q0 I1 Q1 I2 Q2 I3 Q3 becomes X0 0 -X1 0 X2 0 -X3 0, where X
// is I (HF1) or Q (HF2); every other mode leaves the block untouched. Works on
// the bit patterns so that negation is an exact sign flip, NaN payloads included.
void ShapeBlock(float* samples, uint32_t count, int mode);

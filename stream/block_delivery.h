#pragma once

#include <cstdint>

// The library's block callback: shapes the block for the HF direct-sampling
// modes and hands it to the host.
void OnSamples(float* samples, uint32_t count, void* context);

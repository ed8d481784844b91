#pragma once

#include <cstdint>

constexpr int64_t LOMinHz = 50000000;
constexpr int64_t LOMaxHz = 6000000000;

// The LO reported in the single-HF-input modes: half the current sample rate.
int64_t DirectSamplingLO();

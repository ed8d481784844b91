#include "stream/direct_sampling_shaper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame/plugin_types.h"

namespace {

uint32_t Bits(float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

float FromBits(uint32_t bits) {
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

std::vector<uint32_t> BitsOf(const std::vector<float>& values) {
  std::vector<uint32_t> bits;
  for (float v : values) bits.push_back(Bits(v));
  return bits;
}

const uint32_t SignalNaN = 0x7FA00001u;  // signalling NaN with a payload
const uint32_t QuietNaN = 0xFFC12345u;   // negative quiet NaN with a payload

struct ShapeCase {
  const char* name;
  int mode;
  std::vector<uint32_t> in;
  std::vector<uint32_t> out;
};

const uint32_t One = 0x3F800000u, Two = 0x40000000u, Three = 0x40400000u, Four = 0x40800000u,
               Five = 0x40A00000u, Six = 0x40C00000u, Seven = 0x40E00000u, Eight = 0x41000000u,
               Neg = 0x80000000u, Zero = 0u;

// Block contents before and after shaping, compared bit for bit.
const ShapeCase ShapeCases[] = {
    {"HF1 keeps I, negates odd samples", ModeHF1Direct,
     {One, Two, Three, Four, Five, Six, Seven, Eight},
     {One, Zero, Three | Neg, Zero, Five, Zero, Seven | Neg, Zero}},
    {"HF2 keeps Q, negates odd samples", ModeHF2Direct,
     {One, Two, Three, Four, Five, Six, Seven, Eight},
     {Two, Zero, Four | Neg, Zero, Six, Zero, Eight | Neg, Zero}},
    {"zeros written are +0.0 and +0.0 negates to -0.0", ModeHF1Direct,
     {Zero, Neg, Zero, Neg, Neg, Neg, Neg, Neg},
     {Zero, Zero, Neg, Zero, Neg, Zero, Zero, Zero}},
    {"NaN payloads survive negation", ModeHF1Direct,
     {SignalNaN, One, QuietNaN, One, SignalNaN, One, SignalNaN, One},
     {SignalNaN, Zero, QuietNaN ^ Neg, Zero, SignalNaN, Zero, SignalNaN ^ Neg, Zero}},
    {"HF2 NaN payloads survive negation", ModeHF2Direct,
     {One, SignalNaN, One, QuietNaN, One, SignalNaN, One, SignalNaN},
     {SignalNaN, Zero, QuietNaN ^ Neg, Zero, SignalNaN, Zero, SignalNaN ^ Neg, Zero}},
    {"count 6: the tail of two samples is left alone", ModeHF1Direct,
     {One, Two, Three, Four, Five, Six, Seven, Eight, One, Two, Three, Four},
     {One, Zero, Three | Neg, Zero, Five, Zero, Seven | Neg, Zero, One, Two, Three, Four}},
    {"RF leaves the block alone", ModeRF,
     {One, Two, SignalNaN, Four, Five, Six, Seven, Eight},
     {One, Two, SignalNaN, Four, Five, Six, Seven, Eight}},
    {"IQ direct leaves the block alone", ModeIQDirect,
     {One, Two, Three, Four, Five, Six, Seven, Eight},
     {One, Two, Three, Four, Five, Six, Seven, Eight}},
    {"an unknown mode leaves the block alone", 7,
     {One, Two, Three, Four, Five, Six, Seven, Eight},
     {One, Two, Three, Four, Five, Six, Seven, Eight}},
};

TEST(DirectSamplingShaper, RewritesGroupsBitExactly) {
  for (const ShapeCase& c : ShapeCases) {
    SCOPED_TRACE(c.name);
    std::vector<float> block;
    for (uint32_t b : c.in) block.push_back(FromBits(b));
    ShapeBlock(block.data(), static_cast<uint32_t>(block.size() / 2), c.mode);
    EXPECT_EQ(BitsOf(block), c.out);
  }
}

TEST(DirectSamplingShaper, CountsBelowAGroupChangeNothing) {
  for (uint32_t count = 0; count <= 3; ++count) {
    SCOPED_TRACE(count);
    std::vector<float> block = {1, 2, 3, 4, 5, 6, 7, 8};
    ShapeBlock(block.data(), count, ModeHF1Direct);
    EXPECT_EQ(block, (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8}));
  }
}

TEST(DirectSamplingShaper, AlternationRunsAcrossAWholeBlock) {
  std::vector<float> block(2 * SamplesPerBlock);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<float>(i + 1);
  ShapeBlock(block.data(), SamplesPerBlock, ModeHF2Direct);
  for (size_t n = 0; n < SamplesPerBlock; ++n) {
    float q = static_cast<float>(2 * n + 2);
    ASSERT_EQ(block[2 * n], n % 2 ? -q : q) << "sample " << n;
    ASSERT_EQ(Bits(block[2 * n + 1]), 0u) << "sample " << n;
  }
}

}  // namespace

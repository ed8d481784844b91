#include "signal.h"

#include <math.h>
#include <stdint.h>

namespace kelvo_sim {
namespace {

constexpr double kTwoPi = 6.283185307179586476925;
constexpr double kNoiseSigma = 0.01;

// Whole cycles per `length` samples, as a signed count below length.
int64_t cycles_per_ring(double freq_hz, double rate_hz, size_t length) {
  double cycles = nearbyint(freq_hz / rate_hz * static_cast<double>(length));
  double n = static_cast<double>(length);
  cycles = fmod(cycles, n);
  return static_cast<int64_t>(cycles);
}

// Phase of sample i for `cycles` per ring, computed from an exact integer
// product so precision does not drift over long rings.
double phase(int64_t cycles, size_t i, size_t length) {
  int64_t l = static_cast<int64_t>(length);
  int64_t step = ((cycles % l) * static_cast<int64_t>(i)) % l;
  return kTwoPi * static_cast<double>(step) / static_cast<double>(length);
}

// Gaussian noise from a fixed seed: the signal is the same on every run.
class Noise {
 public:
  double next() {
    if (have_spare_) {
      have_spare_ = false;
      return spare_;
    }
    double u1 = uniform(), u2 = uniform();
    double r = sqrt(-2.0 * log(u1));
    spare_ = r * sin(kTwoPi * u2);
    have_spare_ = true;
    return r * cos(kTwoPi * u2);
  }

 private:
  double uniform() {  // (0, 1]
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return (static_cast<double>(state_ >> 11) + 1.0) / 9007199254740992.0;
  }
  uint64_t state_ = 0x9E3779B97F4A7C15ull;
  double spare_ = 0;
  bool have_spare_ = false;
};

}  // namespace

void generate_signal(const SignalParams& p, float* out, size_t length) {
  if (length == 0) return;
  double rate = p.rate_hz > 0 ? p.rate_hz : 1.0;
  Noise noise;
  if (!p.direct) {
    const int64_t c = cycles_per_ring(p.tone_hz, rate, length);
    for (size_t i = 0; i < length; ++i) {
      double ph = phase(c, i, length);
      out[2 * i] = static_cast<float>(0.5 * cos(ph) + kNoiseSigma * noise.next());
      out[2 * i + 1] = static_cast<float>(0.5 * sin(ph) + kNoiseSigma * noise.next());
    }
  } else {
    const int64_t c1 = cycles_per_ring(p.hf1_hz, rate, length);
    const int64_t c2 = cycles_per_ring(p.hf2_hz, rate, length);
    for (size_t i = 0; i < length; ++i) {
      out[2 * i] = static_cast<float>(0.5 * cos(phase(c1, i, length)) + kNoiseSigma * noise.next());
      out[2 * i + 1] =
          static_cast<float>(0.3 * cos(phase(c2, i, length)) + kNoiseSigma * noise.next());
    }
  }
}

}  // namespace kelvo_sim

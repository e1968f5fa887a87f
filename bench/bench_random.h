// The benchmark's own random numbers.
//
// The tree generator must write the same bytes for the same seed on every
// machine and standard library, so it does not use <random>'s distributions
// (their results are left to each library).  SplitMix64 and a few plain
// helpers on top of it are enough.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace vendrit_bench {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // 0 <= result < n (n > 0).
  uint64_t below(uint64_t n) { return next() % n; }
  // lo <= result <= hi.
  int64_t between(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(below(static_cast<uint64_t>(hi - lo) + 1));
  }
  // Uniform in [0, 1).
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  // True with probability p.
  bool chance(double p) { return unit() < p; }
  // Standard normal (Box-Muller; one value per call keeps the sequence simple).
  double normal() {
    double u1 = unit(), u2 = unit();
    if (u1 < 1e-300) u1 = 1e-300;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  }
  template <typename T, size_t N>
  const T& pick(const T (&items)[N]) {
    return items[below(N)];
  }

 private:
  uint64_t state_;
};

}  // namespace vendrit_bench

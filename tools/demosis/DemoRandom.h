// The generator's own pseudo-random sequence (SplitMix64): the same seed gives the same
// database on every compiler and platform, which std::rand and the standard distributions do
// not promise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace demosis {

class DemoRandom {
 public:
  explicit DemoRandom(uint64_t seed) : m_state(seed) {}

  uint64_t Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1 (n > 0).
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
  // lo .. hi inclusive.
  int Between(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<uint32_t>(hi - lo + 1))); }
  // True with the given chance in percent.
  bool Percent(unsigned percent) { return Below(100) < percent; }
  // Per mille, for rarer events.
  bool PerMille(unsigned perMille) { return Below(1000) < perMille; }

  template <class T>
  const T& Pick(const std::vector<T>& items) { return items[Below(static_cast<uint32_t>(items.size()))]; }
  template <class T>
  T Pick(std::initializer_list<T> items) { return items.begin()[Below(static_cast<uint32_t>(items.size()))]; }

 private:
  uint64_t m_state;
};

}  // namespace demosis

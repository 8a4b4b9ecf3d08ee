// The random source of the table generators: a 32-bit linear congruential generator.
#pragma once

#include <cstdint>

namespace pad {

class Random {
 public:
  /// Sets the state to seed and throws one draw away.
  void seed(std::uint32_t seed) {
    state_ = seed;
    draw();
  }
  /// state ← state × 22695477 + 1; bits 16–30 of the new state, 0 … 32767.
  int draw() {
    state_ = state_ * 22695477u + 1u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }
  std::uint32_t state() const { return state_; }

 private:
  std::uint32_t state_ = 0;
};

}  // namespace pad

#include "midi/CallbackClock.h"

#include <algorithm>

namespace midi {
namespace {

// How much of each callback's difference the estimate takes: slow enough to smooth a
// millisecond's jitter, fast enough to follow 1,000 ppm within a fraction of a buffer.
constexpr std::int64_t kPull = 32;

}  // namespace

std::int64_t CallbackClock::heardAt(std::int64_t nowNs, std::int64_t spanNs) {
  const std::int64_t candidate = nowNs + spanNs;
  std::int64_t heard = candidate;
  if (started_ && candidate <= expectedNs_ + spanNs)
    heard = expectedNs_ + std::clamp(candidate - expectedNs_, -spanNs, spanNs) / kPull;
  started_ = true;
  expectedNs_ = heard + spanNs;
  return heard;
}

}  // namespace midi

#include "midi/StreamClock.h"

#include <algorithm>
#include <cmath>

namespace midi {
namespace {

// A buffer this far from where the one before puts it: the device skipped or stalled.
constexpr std::int64_t kOffNs = 2'000'000;

}  // namespace

void StreamClock::begin(const AudioBuffer& buffer, std::int64_t nowNs) {
  const double rate = buffer.rate > 0 ? buffer.rate : 48000;
  // Counted as rendered unless the device counts: then a skipped cycle moves the frame as far
  // as the time, and the mapping holds.
  const std::uint32_t start = buffer.frame.value_or(next_);
  const auto skipped = static_cast<std::int32_t>(start - next_);  // wraps like the counters
  const std::int64_t expectedNs = expectedNs_ + std::llround(skipped * 1e9 / rate);
  if (rate != clock_.rate() || !clock_.locked()) {
    clock_.reset(rate);
    aheadCount_ = 0;
  } else if (buffer.frames != quantum_ || std::llabs(buffer.heardNs - expectedNs) > kOffNs) {
    clock_.watchForJump();
  }
  if (buffer.frames != quantum_) aheadCount_ = 0;
  quantum_ = buffer.frames;
  start_ = start;
  count_ = buffer.frames;
  clock_.update(buffer.heardNs, start_);
  next_ = start_ + buffer.frames;
  expectedNs_ = buffer.heardNs + std::llround(buffer.frames * 1e9 / rate);
  measureAhead(buffer.heardNs - nowNs);
  const double margin = kMarginSeconds * 1e9 + static_cast<double>(aheadNs_);
  lead_ = quantum_ + static_cast<std::uint32_t>(std::lround(margin * rate / 1e9));
}

void StreamClock::measureAhead(std::int64_t aheadNs) {
  if (aheadCount_ >= aheads_.size()) return;
  aheads_[aheadCount_++] = std::max<std::int64_t>(aheadNs, 0);
  // Until the median is known, the largest seen so far: late rather than out of place.
  auto seen = aheads_;
  const auto end = seen.begin() + static_cast<std::ptrdiff_t>(aheadCount_);
  if (aheadCount_ < aheads_.size()) {
    aheadNs_ = *std::max_element(seen.begin(), end);
    return;
  }
  std::nth_element(seen.begin(), seen.begin() + 4, end);
  aheadNs_ = seen[4];
}

std::optional<std::uint32_t> StreamClock::offsetOf(std::int64_t momentNs) const {
  if (!clock_.locked()) return 0;
  return cycleOffset(clock_.frameAt(momentNs) + lead_, start_, count_);
}

}  // namespace midi

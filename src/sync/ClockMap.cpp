#include "sync/ClockMap.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

namespace ksync {
namespace {

// NTP slews CLOCK_MONOTONIC by at most 500 ppm: a larger drift is a bad pair of measurements.
constexpr double kMaxDrift = 5e-4;
// A bracket this wide in every try (the thread preempted each time) may pair the readings this
// far apart: the mapping already held is better, and the next use tries again.
constexpr std::int64_t kWidestNs = 50'000;

std::int64_t readNs(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

}  // namespace

Clocks systemClocks() {
  return {[] {
            return std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
          },
          // Full resolution: Link's own reader of the same clock truncates to microseconds.
          [] { return readNs(CLOCK_MONOTONIC_RAW); }};
}

Offset measureOffset(const Clocks& clocks, int tries) {
  Offset best;
  best.widthNs = std::numeric_limits<std::int64_t>::max();
  for (int i = 0; i < std::max(tries, 1); ++i) {
    const std::int64_t before = clocks.steady();
    const std::int64_t raw = clocks.raw();
    const std::int64_t after = clocks.steady();
    if (after - before < best.widthNs) best = {before + (after - before) / 2, raw, after - before};
  }
  return best;
}

ClockMap::ClockMap(Clocks clocks, std::int64_t everyNs)
    : clocks_(std::move(clocks)), everyNs_(std::max<std::int64_t>(everyNs, 1)) {}

void ClockMap::refresh() {
  if (measured_ && clocks_.steady() - last_.steadyNs < everyNs_) return;
  const Offset now = measureOffset(clocks_);
  if (measured_ && now.widthNs > kWidestNs) return;
  if (measured_) {
    // The drift over the interval: raw's advance against steady's, less one.
    const auto span = static_cast<double>(now.steadyNs - last_.steadyNs);
    const auto gained =
        static_cast<double>((now.rawNs - last_.rawNs) - (now.steadyNs - last_.steadyNs));
    if (span > 0) drift_ = std::clamp(gained / span, -kMaxDrift, kMaxDrift);
  }
  last_ = now;
  measured_ = true;
}

std::int64_t ClockMap::rawAt(std::int64_t steadyNs) {
  refresh();
  const auto since = static_cast<double>(steadyNs - last_.steadyNs);
  return last_.rawNs + static_cast<std::int64_t>(std::llround(since * (1 + drift_)));
}

std::int64_t ClockMap::steadyAt(std::int64_t rawNs) {
  refresh();
  const auto since = static_cast<double>(rawNs - last_.rawNs);
  return last_.steadyNs + static_cast<std::int64_t>(std::llround(since / (1 + drift_)));
}

}  // namespace ksync

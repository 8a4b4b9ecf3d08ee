#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "midi/CallbackClock.h"

namespace {

// 128 frames at 48 kHz.
constexpr std::int64_t kSpanNs = 2'666'667;

struct Row {
  const char* what;
  double ppm;             // the device's clock, fast (+) or slow (-)
  std::int64_t jitterNs;  // each callback up to this much late
  int burst;              // callbacks at once at the start (the driver filling its buffer)
  long xrunAt;            // the device stalls 10 ms before this buffer (-1: none)
  double seconds;
  double endErrorMs;   // |estimate - truth| allowed over the last second
  double stepErrorMs;  // |step between buffers - span| allowed after the first second
};

TEST(CallbackClock, FollowsTheDeviceWithoutJumpsOrCreep) {
  const Row rows[] = {
      {"exact", 0, 0, 1, -1, 10, 0.001, 0.001},
      {"an hour 100 ppm fast", 100, 0, 1, -1, 3600, 0.05, 0.001},
      {"an hour 100 ppm slow", -100, 0, 1, -1, 3600, 0.05, 0.001},
      {"1000 ppm fast", 1000, 0, 1, -1, 60, 0.2, 0.01},
      {"callbacks up to 1 ms late", 0, 1'000'000, 1, -1, 60, 1.0, 0.1},
      {"a burst of three at the start", 0, 0, 3, -1, 10, 0.01, 0.01},
      {"an xrun", 0, 0, 1, 2000, 20, 0.01, 0.01},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int64_t> late(0, row.jitterNs);
    midi::CallbackClock clock;
    // The device plays buffer k from origin + k * period (its own clock's span).
    const double periodNs = kSpanNs / (1 + row.ppm * 1e-6);
    const std::int64_t origin = 5'000'000'000;
    std::int64_t shift = 0;  // frames lost in the xrun: the device plays on from later
    std::int64_t previous = 0;
    const auto buffers = static_cast<long>(row.seconds * 1e9 / periodNs);
    const long settled = static_cast<long>(1e9 / periodNs);
    double endError = 0, stepError = 0;
    for (long k = 0; k < buffers; ++k) {
      if (k == row.xrunAt) shift += 10'000'000;
      // Buffer k is heard at due; its callback comes when buffer k - 1 starts playing, or all
      // at once while a burst fills the driver's buffer.
      const auto due = origin + shift + static_cast<std::int64_t>(std::llround(k * periodNs));
      const std::int64_t now = (k < row.burst ? origin - kSpanNs : due - kSpanNs) + late(random);
      const std::int64_t truth = due;
      const std::int64_t heard = clock.heardAt(now, kSpanNs);
      if (k >= buffers - settled)
        endError = std::max(endError, std::fabs(static_cast<double>(heard - truth)) / 1e6);
      if (k > settled && k != row.xrunAt && k != row.xrunAt + 1)
        stepError =
            std::max(stepError, std::fabs(static_cast<double>(heard - previous) - periodNs) / 1e6);
      previous = heard;
    }
    EXPECT_LE(endError, row.endErrorMs);
    EXPECT_LE(stepError, row.stepErrorMs);
  }
}

}  // namespace

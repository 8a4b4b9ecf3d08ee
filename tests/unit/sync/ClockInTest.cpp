// MIDI clock in: the tempo estimate against steady, jittered and changing clocks, and the
// transport messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "sync/ClockIn.h"

namespace {

const std::uint8_t kPulse[] = {0xF8}, kStart[] = {0xFA}, kContinue[] = {0xFB}, kStop[] = {0xFC};

/// Feeds pulses at tempo from time t for beats beats, each off by up to ±jitter seconds
/// (a fixed pseudo-random sequence); returns the time after the last pulse's interval.
double feed(ksync::ClockFollower& f, double t, double tempo, double beats, double jitter,
            std::uint32_t& seed) {
  const double interval = 60 / (tempo * 24);
  const auto pulses = static_cast<int>(std::lround(beats * 24));
  for (int i = 0; i < pulses; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double off = (static_cast<double>(seed >> 8) / (1 << 24) * 2 - 1) * jitter;
    f.message(kPulse, 1, t + off);
    t += interval;
  }
  return t;
}

TEST(ClockFollower, TempoSettlesWithinTwoBeatsAndStaysWithinATenthOfABpm) {
  const struct Row {
    const char* what;
    double from, to;  ///< tempo before and after a change
    double jitter;    ///< seconds, each pulse
  } rows[] = {
      {"steady, exact", 120, 120, 0},
      {"steady, 0.5 ms jitter", 120, 120, 0.0005},
      {"steady, 1 ms jitter", 125, 125, 0.001},
      {"120 to 140", 120, 140, 0},
      {"120 to 140, 0.5 ms jitter", 120, 140, 0.0005},
      {"140 to 90, 1 ms jitter", 140, 90, 0.001},
      {"fast: 240 to 300", 240, 300, 0.0002},
      {"slow: 40 to 60", 40, 60, 0.001},
  };
  for (const Row& r : rows) {
    ksync::ClockFollower f;
    std::uint32_t seed = 7;
    double t = feed(f, 1000, r.from, 8, r.jitter, seed);
    t = feed(f, t, r.to, 2, r.jitter, seed);
    // From two beats after the change on, every reading is close.
    double worst = 0;
    for (int beat = 0; beat < 8; ++beat) {
      t = feed(f, t, r.to, 0.5, r.jitter, seed);
      const auto b = f.at(t - 60 / (r.to * 24));
      ASSERT_TRUE(b) << r.what;
      worst = std::max(worst, std::abs(b->tempo - r.to));
    }
    EXPECT_LE(worst, 0.1) << r.what;
  }
}

TEST(ClockFollower, BeatCountsFromStartAndHoldsOnStop) {
  ksync::ClockFollower f;
  std::uint32_t seed = 1;
  const double interval = 60.0 / (120 * 24);
  f.message(kStart, 1, 9.99);
  double t = feed(f, 10, 120, 4, 0, seed);  // pulses at beats 0 … 4 − 1/24
  auto b = f.at(t);
  ASSERT_TRUE(b);
  EXPECT_TRUE(b->running);
  EXPECT_NEAR(b->beat, 4, 1e-6);
  EXPECT_NEAR(b->tempo, 120, 1e-6);
  EXPECT_NEAR(f.at(t - interval / 2)->beat, 4 - 1.0 / 48, 1e-6);
  f.message(kStop, 1, t);
  t = feed(f, t, 120, 1, 0, seed);  // a stopped clock may go on pulsing
  b = f.at(t);
  ASSERT_TRUE(b);
  EXPECT_FALSE(b->running);
  EXPECT_NEAR(b->beat, 4, 1e-6);
  // Song position 8 sixteenths = beat 2, then Continue: the next pulse is beat 2.
  const std::uint8_t position[] = {0xF2, 8, 0};
  f.message(position, 3, t);
  f.message(kContinue, 1, t);
  t = feed(f, t, 120, 1, 0, seed);
  EXPECT_NEAR(f.at(t)->beat, 3, 1e-6);
}

TEST(ClockFollower, SilentUntilATempoIsKnownAndAfterTwoBeatsWithoutPulses) {
  ksync::ClockFollower f;
  EXPECT_EQ(f.at(1), std::nullopt);
  f.message(kPulse, 1, 1.0);
  f.message(kPulse, 1, 1.02);
  EXPECT_EQ(f.at(1.03), std::nullopt);  // two pulses: no tempo yet
  std::uint32_t seed = 3;
  const double t = feed(f, 1.04, 125, 1, 0, seed);  // 20 ms pulses
  EXPECT_TRUE(f.at(t));
  EXPECT_TRUE(f.at(t + 0.9));
  EXPECT_EQ(f.at(t + 1.0), std::nullopt);  // 2 beats at 125 BPM: 0.96 s
  // After the silence the clock comes back at another tempo: the old pulses do not count.
  double again = feed(f, t + 5, 90, 1, 0, seed);
  again = feed(f, again, 90, 0.25, 0, seed);
  EXPECT_NEAR(f.at(again)->tempo, 90, 0.01);
}

TEST(ClockFollower, OtherMessagesAreIgnored) {
  ksync::ClockFollower f;
  std::uint32_t seed = 5;
  const double t = feed(f, 1, 100, 1, 0, seed);
  const std::uint8_t others[][3] = {{0x90, 60, 100}, {0xFE, 0, 0}, {0xF2, 0, 0}, {0xFF, 0, 0}};
  for (const auto& m : others) f.message(m, 3, t);
  f.message(kPulse, 0, t);
  ASSERT_TRUE(f.at(t));
  EXPECT_NEAR(f.at(t)->tempo, 100, 1e-6);
  EXPECT_TRUE(f.at(t)->running);
}

}  // namespace

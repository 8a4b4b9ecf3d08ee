// The smoothed mapping from the steady clock to JACK frames: jitter, drift and jumps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "midi/FrameClock.h"
#include "midi/JackSync.h"

namespace {

constexpr double kRate = 48000;

/// A server whose audio clock runs ppm fast, whose cycles are seen jitterMs off (uniformly),
/// and every 97th cycle stallMs late on top; the counter starts near its wrap.
struct Server {
  std::uint32_t period;
  double ppm, jitterMs, stallMs;
  std::uint32_t first = 0xFFFF0000u;
  std::int64_t origin = 1'000'000'000'000;
  std::mt19937 random{14};

  std::int64_t timeOf(std::int64_t frames) const {
    return origin + static_cast<std::int64_t>(frames * 1e9 / (kRate * (1 + ppm * 1e-6)));
  }
  /// Feeds cycle k of the run.
  void feed(midi::FrameClock& clock, std::int64_t k) {
    std::uniform_real_distribution<double> jitter(-jitterMs * 1e6, jitterMs * 1e6);
    const double late = k % 97 == 0 ? stallMs * 1e6 : 0;
    clock.update(timeOf(k * period) + static_cast<std::int64_t>(jitter(random) + late),
                 first + static_cast<std::uint32_t>(k * period));
  }
  /// How far frameAt is off for frame k·period, in frames.
  int error(const midi::FrameClock& clock, std::int64_t k) const {
    return static_cast<std::int32_t>(clock.frameAt(timeOf(k * period)) - (first + k * period));
  }
};

TEST(FrameClock, SmoothsWakeUpJitterAndFollowsDrift) {
  struct Case {
    Server server;
    double settleSeconds;
  } cases[] = {
      {{64, 0, 0.5, 0}, 20},  // wake-ups ±0.5 ms: the raw cycle is off by up to 24 frames
      {{256, 0, 0.5, 0}, 20},     {{1024, 0, 0.5, 0}, 20},
      {{256, 0, 0.05, 5}, 5},      // a wake-up 5 ms late now and then moves nothing
      {{256, 100, 0.1, 0}, 60},    // a sound card 100 ppm fast: 6 ms a minute
      {{1024, -100, 0.1, 0}, 60},  // and one as slow
  };
  for (auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "period " << c.server.period << " ppm " << c.server.ppm
                                    << " stall " << c.server.stallMs);
    midi::FrameClock clock(kRate);
    const auto settled = static_cast<std::int64_t>(c.settleSeconds * kRate / c.server.period);
    const auto later = static_cast<std::int64_t>(0.12 * kRate / c.server.period);  // ~120 ms
    std::vector<int> errors;  // of each cycle's frame, asked right after feeding it
    for (std::int64_t k = 0; k < settled + 2 * settled / 3; ++k) {
      c.server.feed(clock, k);
      if (k >= settled) errors.push_back(c.server.error(clock, k));
    }
    int worst = 0, worstInterval = 0;  // the latter: what a receiver hears between two notes
    for (std::size_t i = 0; i < errors.size(); ++i) {
      worst = std::max(worst, std::abs(errors[i]));
      if (i >= static_cast<std::size_t>(later))
        worstInterval = std::max(worstInterval, std::abs(errors[i] - errors[i - later]));
    }
    EXPECT_LE(worst, 2) << "frames off";
    EXPECT_LE(worstInterval, 1) << "frames off in 120 ms";  // what rounding to a frame leaves
  }
}

TEST(FrameClock, ReLocksAtOnceAfterAJumpOnTheEarliestWakeUp) {
  struct Case {
    const char* what;
    std::int64_t framesSkipped;  // the counter's jump beyond the time that passed
  } cases[] = {
      {"counter ahead (xrun)", 48000},
      {"time ahead (stall)", -4800},
      {"counter back (new server)", -(std::int64_t{1} << 33)},
  };
  for (const auto& c : cases) {
    for (const std::int64_t late : {0, 800'000}) {  // the first cycle after the jump that late
      SCOPED_TRACE(testing::Message() << c.what << ", first cycle late by ns " << late);
      Server server{256, 0, 0, 0};
      midi::FrameClock clock(kRate);
      for (std::int64_t k = 0; k < 2000; ++k) server.feed(clock, k);
      server.first += static_cast<std::uint32_t>(c.framesSkipped);
      server.origin += late;
      server.feed(clock, 2000);
      server.origin -= late;
      if (late == 0) {
        EXPECT_LE(std::abs(server.error(clock, 2000)), 1);
      }
      // A lock taken on a late wake-up gives way to the cycles on time that follow.
      for (std::int64_t k = 2001; k < 2006; ++k) server.feed(clock, k);
      EXPECT_LE(std::abs(server.error(clock, 2005)), 1);
    }
  }
}

TEST(FrameClock, AfterAnXrunFollowsAJumpButNotALateWakeUp) {
  struct Case {
    const char* what;
    std::int64_t shiftNs;  // of the audio clock at the xrun
    std::int64_t lateNs;   // of the first four cycles after it, on top
  } cases[] = {
      {"clock 3 ms later", 3'000'000, 0},
      {"clock 0.8 ms earlier", -800'000, 0},
      {"clock unmoved, wake-ups late", 0, 2'000'000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Server server{256, 0, 0, 0};
    midi::FrameClock clock(kRate);
    for (std::int64_t k = 0; k < 2000; ++k) server.feed(clock, k);
    clock.watchForJump();
    server.origin += c.shiftNs;
    int worst = 0;
    for (std::int64_t k = 2000; k < 2020; ++k) {
      server.origin += k < 2004 ? c.lateNs : 0;
      server.feed(clock, k);
      server.origin -= k < 2004 ? c.lateNs : 0;
      if (k >= 2008) worst = std::max(worst, std::abs(server.error(clock, k)));
    }
    EXPECT_LE(worst, 1);
  }
}

TEST(FrameClock, UnlockedUntilFedAndAfterReset) {
  midi::FrameClock clock(kRate);
  EXPECT_FALSE(clock.locked());
  clock.update(5'000'000, 100);
  EXPECT_EQ(clock.frameAt(5'000'000 + 1'000'000), 148u);  // 1 ms at 48 kHz
  clock.reset(96000);
  EXPECT_FALSE(clock.locked());
  clock.update(0, 7);
  EXPECT_EQ(clock.frameAt(1'000'000), 103u);
}

TEST(FrameClock, MomentAtIsTheInverseAcrossTheCounterWrap) {
  midi::FrameClock clock(kRate);
  EXPECT_EQ(clock.momentAt(100), 0);  // unlocked
  const std::uint32_t start = 0xFFFFFF00u;
  for (std::int64_t k = 0; k < 200; ++k)
    clock.update(1'000'000'000 + k * 5'333'333, start + static_cast<std::uint32_t>(k * 256));
  for (const std::uint32_t frame : {start + 256 * 199u, start + 256 * 199u + 48u, 5u, 100000u}) {
    const std::int64_t at = clock.momentAt(frame);
    EXPECT_EQ(clock.frameAt(at), frame) << frame;
  }
  // Later frames, later moments, 1/48 ms apart.
  EXPECT_NEAR(static_cast<double>(clock.momentAt(49) - clock.momentAt(1)), 1e6, 1e3);
}

}  // namespace

namespace {

TEST(BeatAnchor, CountsFramesFromWhereTheMasterStartsJumpsOrChangesTempo) {
  // 125 BPM at 48 kHz: 23040 frames a beat; 256-frame cycles, JACK's counter 1000000 ahead of
  // the transport at first.
  const struct Row {
    const char* what;
    std::uint32_t start, frame;
    bool rolling;
    double bbtBeat, tempo;
    double beat;
  } rows[] = {
      {"first cycle: the master's beat", 1000000, 0, true, 0, 125, 0},
      {"rolling on: frames, not the master's rounded ticks", 1000256, 256, true, 0.0109, 125,
       256.0 / 23040},
      {"and on", 1000512, 512, true, 0.0218, 125, 512.0 / 23040},
      {"cycles missed (an xrun): still frames", 1001280, 1280, true, 0.05, 125, 1280.0 / 23040},
      {"the counter read a cycle ahead (a late client): the transport's frames", 1001792, 1536,
       true, 0.06, 125, 1536.0 / 23040},
      {"and back", 1001792, 1792, true, 0.07, 125, 1792.0 / 23040},
      {"relocated (not where the counter led): the master's beat", 1002048, 23040, true, 1, 125, 1},
      {"on from there", 1002304, 23296, true, 0.99, 125, 1 + 256.0 / 23040},
      {"relocated by 100 ms: the master's beat", 1002560, 28352, true, 1.5, 125, 1.5},
      {"a new tempo: taken from the master", 1002816, 28608, true, 1.52, 250, 1.52},
      {"stopped: stands", 1003072, 28864, false, 1.55, 250, 1.52 + 256.0 / 11520},
      {"still stopped, cycles missed", 1003840, 28864, false, 1.55, 250, 1.52 + 256.0 / 11520},
      {"started again where it stood", 1004096, 28864, true, 1.55, 250, 1.52 + 256.0 / 11520},
      {"located and stopped: the master's beat", 1004352, 96000, false, 10, 250, 10},
      {"JACK's counter wraps", 4294967040u, 96000, true, 10, 250, 10},
      {"and the transport rolls on across it", 0, 96256, true, 10.02, 250, 10 + 256.0 / 11520},
  };
  midi::BeatAnchor anchor;
  for (const Row& r : rows)
    EXPECT_NEAR(anchor.beatAt(r.start, r.frame, r.rolling, r.bbtBeat, r.tempo, 48000), r.beat, 1e-9)
        << r.what;
}

}  // namespace

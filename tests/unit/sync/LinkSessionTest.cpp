// The Link source on a clock of the test's own; the session is never enabled (no network).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>

#include "sync/LinkSession.h"

namespace {

using std::chrono::nanoseconds;

// One true time for both clocks: the steady clock reads it, Link's clock is kRawOffset ahead.
std::atomic<std::int64_t> trueNs{5'000'000'000'000};
std::atomic<std::int64_t> rawOffsetNs{0};

std::int64_t rawNow() {
  return trueNs.load() + rawOffsetNs.load();
}

struct FakeLinkClock {
  std::chrono::microseconds micros() const { return std::chrono::microseconds(rawNow() / 1000); }
};

using FakeSession = ksync::LinkSession<ableton::BasicLink<FakeLinkClock>>;

ksync::Clocks fakeClocks() {
  return {[] { return trueNs.load(); }, [] { return rawNow(); }};
}

ksync::Moment moment(std::int64_t ns) {
  return ksync::Moment(nanoseconds(ns));
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct TempoCase {
  const char* name;
  double start;                    // the tempo it opens with
  std::int64_t rawOffset;          // Link's clock minus the steady clock
  std::optional<double> proposed;  // a tempo the player typed
  double tempo;                    // the session's tempo then
};

TEST(LinkSession, BeatAndTempoAtAMoment) {
  constexpr std::int64_t kHour = 3'600'000'000'000;
  const TempoCase cases[] = {
      {"its own tempo alone", 120, 0, std::nullopt, 120},
      {"Link's clock hours ahead", 90, 5 * kHour, std::nullopt, 90},
      {"Link's clock hours behind", 133, -2 * kHour, std::nullopt, 133},
      {"no tempo to open with", kNaN, 0, std::nullopt, 120},
      {"a proposed tempo", 120, kHour, 150, 150},
      {"a proposal that is no number", 120, 0, kNaN, 120},
      {"a zero proposal", 120, 0, 0.0, 120},
      {"a negative proposal", 120, 0, -90.0, 120},
      {"above Link's range", 120, 0, 5000.0, 999},
      {"below Link's range", 120, 0, 5.0, 20},
  };
  for (const auto& c : cases) {
    rawOffsetNs = c.rawOffset;
    const std::int64_t opened = trueNs.load();
    FakeSession session(c.start, fakeClocks());
    // The timeline starts at beat 0 as it is made: only a converted moment lands there.
    EXPECT_NEAR(session.at(moment(opened))->beat, 0, 1e-5) << c.name;
    trueNs += 1'000'000'000;
    if (c.proposed) session.proposeTempo(*c.proposed);
    const std::int64_t now = trueNs.load();
    const auto here = session.at(moment(now));
    const auto ahead = session.at(moment(now + 500'000'000));
    ASSERT_TRUE(here && ahead) << c.name;
    EXPECT_DOUBLE_EQ(here->tempo, c.tempo) << c.name;
    EXPECT_NEAR(ahead->beat - here->beat, c.tempo / 60 * 0.5, 1e-5) << c.name;
    EXPECT_FALSE(here->running) << c.name;
    EXPECT_EQ(session.peers(), 0) << c.name;
    trueNs += 1'000'000'000;
  }
  rawOffsetNs = 0;
}

TEST(LinkSession, BeatAgreesWithTheSessionsOwnTimeline) {
  rawOffsetNs = 7'000'000'000;
  FakeSession session(128, fakeClocks());
  trueNs += 2'345'678'000;
  const auto state = session.link().captureAppSessionState();
  const std::int64_t now = trueNs.load();
  for (const std::int64_t later : {0LL, 1'000LL, 250'000'000LL, 4'000'000'000LL}) {
    const auto expected =
        state.beatAtTime(std::chrono::microseconds((rawNow() + later) / 1000), ksync::kLinkQuantum);
    EXPECT_NEAR(session.at(moment(now + later))->beat, expected, 1e-5) << later;
  }
  rawOffsetNs = 0;
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sync/ClockMap.h"

namespace {

constexpr std::int64_t kSecond = 1'000'000'000;

/// Two clocks on one true time: steady reads it, raw reads offset + time·(1 + drift). Every
/// reading costs the next of costs (cycling): time passes before the value is taken.
struct FakeClocks {
  std::int64_t now = 1000 * kSecond;
  std::int64_t offset = 0;
  double drift = 0;
  std::vector<std::int64_t> costs{20};
  std::size_t read = 0;

  std::int64_t rawOf(std::int64_t t) const {
    return offset + t + static_cast<std::int64_t>(static_cast<double>(t) * drift);
  }
  void pass() { now += costs[read++ % costs.size()]; }
  ksync::Clocks clocks() {
    return {[this] { return pass(), now; }, [this] { return pass(), rawOf(now); }};
  }
};

struct BracketCase {
  const char* name;
  std::vector<std::int64_t> costs;  // per reading: steady, raw, steady, steady, raw, ...
  std::int64_t width;               // the tightest bracket
};

TEST(MeasureOffset, KeepsTheTightestBracket) {
  const BracketCase cases[] = {
      {"even readings", {20}, 40},
      {"first try preempted before its raw reading", {20, 5000, 20, 20, 30, 30}, 60},
      {"the raw reading late in every try but one", {20, 20, 900, 20, 400, 20, 20, 20, 20}, 40},
  };
  for (const auto& c : cases) {
    FakeClocks fake;
    fake.offset = -7 * kSecond;
    fake.costs = c.costs;
    const auto measured = ksync::measureOffset(fake.clocks(), 8);
    EXPECT_EQ(measured.widthNs, c.width) << c.name;
    // The pairing is off by at most half the bracket.
    EXPECT_LE(std::llabs(measured.rawNs - fake.rawOf(measured.steadyNs)), measured.widthNs / 2)
        << c.name;
  }
}

struct MapCase {
  const char* name;
  std::int64_t offset;
  double drift;
  std::int64_t later;  // ns of steady time between the first conversion and the checked one
  std::int64_t ahead;  // the checked moment lies this far after the clocks' now
  std::int64_t tolerance;
};

TEST(ClockMap, FollowsTheOffsetAndItsDrift) {
  const MapCase cases[] = {
      {"same clocks", 0, 0, 0, 0, 20},
      {"raw hours behind", -3 * 3600 * kSecond, 0, 0, 0, 20},
      {"raw ahead, a moment ahead", 42 * kSecond, 0, 0, 2 * kSecond, 20},
      {"NTP slewing 200 ppm, ten seconds on", 5 * kSecond, 2e-4, 10 * kSecond, 0, 100},
      {"the largest slew, a minute on, half a second ahead", 0, -5e-4, 60 * kSecond, kSecond / 2,
       100},
      {"a slow slew, a moment well ahead", kSecond, 1e-5, 30 * kSecond, 3 * kSecond, 100},
  };
  for (const auto& c : cases) {
    FakeClocks fake;
    fake.offset = c.offset;
    fake.drift = c.drift;
    ksync::ClockMap map(fake.clocks());
    map.rawAt(fake.now);
    fake.now += c.later / 2;
    map.rawAt(fake.now);  // a use on the way re-measures
    fake.now += c.later - c.later / 2;
    const std::int64_t moment = fake.now + c.ahead;
    const std::int64_t raw = map.rawAt(moment);
    EXPECT_LE(std::llabs(raw - fake.rawOf(moment)), c.tolerance) << c.name;
    // There and back is the same moment (no re-measure in between: no time passes).
    fake.costs = {0};
    EXPECT_LE(std::llabs(map.steadyAt(map.rawAt(moment)) - moment), 1) << c.name;
  }
}

TEST(ClockMap, KeepsItsMappingWhenEveryBracketIsWide) {
  FakeClocks fake;
  ksync::ClockMap map(fake.clocks(), kSecond);
  map.rawAt(fake.now);
  fake.now += 2 * kSecond;
  // Preempted before each raw reading: every midpoint 50 µs before the raw reading it pairs.
  fake.costs = {20, 100'000, 20};
  fake.read = 2;  // the question whether one is due takes the last cost, each try the three
  const std::int64_t moment = fake.now;
  EXPECT_LE(std::llabs(map.rawAt(moment) - fake.rawOf(moment)), 100);
}

TEST(ClockMap, RemeasuresOnlyWhenDue) {
  FakeClocks fake;
  fake.drift = 5e-4;
  ksync::ClockMap map(fake.clocks(), kSecond);
  map.rawAt(fake.now);
  const std::size_t reads = fake.read;
  fake.now += kSecond / 2;
  map.rawAt(fake.now);
  // A bracket is three readings; asking whether one is due is one.
  EXPECT_LT(fake.read - reads, 3u) << "measured again before it was due";
  fake.now += kSecond;
  map.rawAt(fake.now);
  EXPECT_GE(fake.read - reads, 3u * 8) << "not measured again once due";
  EXPECT_NEAR(map.drift(), 5e-4, 1e-7);
}

}  // namespace

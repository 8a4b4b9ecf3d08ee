// A tick's moment and its wait's deadline, one row per situation.
#include <gtest/gtest.h>

#include "engine/TickMoment.h"

namespace {

using engine::Moment;
using std::chrono::microseconds;

TEST(TimeTick, ChainsDeadlinesUnlessFreshOrStalled) {
  const Moment t0{std::chrono::seconds(100)};
  struct Row {
    const char* what;
    std::optional<long long> previousUs;  ///< after t0; nullopt: no previous deadline
    long long nowUs, waitMs;
    long long atUs, dueUs;  ///< expected, after t0
  } rows[] = {
      {"first tick of a run: from now", {}, 300, 60, 300, 60300},
      {"on time", 0, 0, 60, 0, 60000},
      {"ran late: the deadline, not now", 0, 180, 60, 0, 60000},
      {"late by exactly the note", 0, 60000, 60, 0, 60000},
      {"stalled over a whole note: from now", 0, 60001, 60, 60001, 120001},
      {"deadline ahead (wait cut short): from now", 500, 200, 60, 200, 60200},
      {"no wait: a late tick starts afresh", 0, 50, 0, 50, 50},
      {"negative wait counts as none", {}, 10, -5, 10, 10},
  };
  for (const Row& r : rows) {
    std::optional<Moment> previous;
    if (r.previousUs) previous = t0 + microseconds(*r.previousUs);
    const auto got = engine::timeTick(previous, t0 + microseconds(r.nowUs), r.waitMs);
    EXPECT_EQ(got.at, t0 + microseconds(r.atUs)) << r.what;
    EXPECT_EQ(got.due, t0 + microseconds(r.dueUs)) << r.what;
  }
}

TEST(TimeTick, NoDriftOverManyNotes) {
  // Each tick runs 0.3 ms after its deadline; the deadlines stay on the 60 ms grid.
  const Moment t0{std::chrono::seconds(5)};
  engine::TickMoment tick = engine::timeTick(std::nullopt, t0, 60);
  for (int n = 1; n <= 1000; ++n)
    tick = engine::timeTick(tick.due, tick.due + microseconds(300), 60);
  EXPECT_EQ(tick.at, t0 + std::chrono::milliseconds(60 * 1000));
  EXPECT_EQ(tick.due, t0 + std::chrono::milliseconds(60 * 1001));
}

}  // namespace

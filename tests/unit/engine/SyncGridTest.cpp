// Strikes on a followed grid, one row per situation.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/SyncGrid.h"

namespace {

using engine::Moment;

TEST(NextGridPoint, TakesTheGridOfTheStepWithoutDoublingOrCatchingUp) {
  const Moment t0{std::chrono::seconds(50)};
  struct Row {
    const char* what;
    double beat, tempo;
    long long ticks;
    std::optional<double> previous;
    bool afterPress;
    double gridBeat;
    long long afterUs;  ///< landing moment after t0
  } rows[] = {
      {"press just after a beat: the next one", 4.1, 120, 480, {}, true, 5, 450000},
      {"press just before a beat: half a step too close, the one after",
       4.9,
       120,
       480,
       {},
       true,
       6,
       550000},
      {"press exactly half a step before: that one", 4.5, 120, 480, {}, true, 5, 250000},
      {"press on a beat: the next", 4, 120, 480, {}, true, 5, 500000},
      {"eighths at 125: 240 ms apart", 0.3, 125, 240, {}, true, 1, 336000},
      {"continued from the strike just played", 5.0, 120, 480, 5.0, false, 6, 500000},
      {"continued though read a little late", 5.01, 120, 480, 5.0, false, 6, 495000},
      {"a gate step of another length continues the grid", 2.0, 120, 240, 2.0, false, 2.5, 250000},
      {"stalled past the next point: no catch-up, the first ahead", 6.3, 120, 480, 5.0, false, 7,
       350000},
      {"relocated backwards: afresh on the grid", 1.2, 120, 480, 5.0, false, 2, 400000},
      {"resumed (no press): the first point at or after", 8.0, 120, 480, {}, false, 8, 0},
      {"resumed between points", 8.25, 60, 120, {}, false, 8.25, 0},
      {"negative beats (count-in) are on the grid too", -0.6, 120, 480, {}, true, 0, 300000},
      {"a tempo change counts from now", 5.0, 60, 480, 5.0, false, 6, 1000000},
  };
  for (const Row& r : rows) {
    const auto got = engine::nextGridPoint(r.beat, r.tempo, r.ticks, t0, r.previous, r.afterPress);
    ASSERT_TRUE(got) << r.what;
    EXPECT_DOUBLE_EQ(got->beat, r.gridBeat) << r.what;
    const double afterUs = std::chrono::duration<double, std::micro>(got->at - t0).count();
    EXPECT_NEAR(afterUs, static_cast<double>(r.afterUs), 0.01) << r.what;
  }
}

TEST(NextGridPoint, NoGridWithoutALengthOrATempo) {
  const Moment t0{};
  const struct {
    double beat, tempo;
    long long ticks;
  } rows[] = {{1, 120, 0},   {1, 120, -5},    {1, 0, 480},       {1, -120, 480},
              {1, NAN, 480}, {NAN, 120, 480}, {1, INFINITY, 480}};
  for (const auto& r : rows)
    EXPECT_EQ(engine::nextGridPoint(r.beat, r.tempo, r.ticks, t0, {}, true), std::nullopt)
        << r.beat << " " << r.tempo << " " << r.ticks;
}

TEST(NextGridPoint, StaysOnTheGridOverManyStrikes) {
  // Each strike read 0.3 ms late at 125 BPM, sixteenths: the points stay exact multiples.
  const Moment t0{std::chrono::seconds(1)};
  auto point = engine::nextGridPoint(0.1, 125, 120, t0, {}, true);
  for (int n = 0; n < 1000 && point; ++n) {
    const double late = 0.0003 * 125 / 60;
    point = engine::nextGridPoint(point->beat + late, 125, 120, point->at, point->beat, false);
  }
  ASSERT_TRUE(point);
  EXPECT_NEAR(point->beat, 0.25 * 1001, 1e-9);
}

TEST(StepDuration, TicksAtTheTempo) {
  EXPECT_EQ(engine::stepDuration(125, 120), std::chrono::milliseconds(120));
  EXPECT_EQ(engine::stepDuration(120, 480), std::chrono::milliseconds(500));
  EXPECT_EQ(engine::stepDuration(0, 480), std::chrono::nanoseconds(0));
}

TEST(SessionTempoOf, OnlyATempoLinkTakesWithoutClamping) {
  const struct Row {
    const char* text;
    std::optional<double> tempo;
  } rows[] = {
      {"140", 140}, {"98.5", 98.5}, {"20", 20},     {"999", 999}, {"1", {}},
      {"14", {}},   {"19.99", {}},  {"999.01", {}}, {"1000", {}}, {"", {}},
      {"abc", {}},  {"-140", {}},   {"1e400", {}},  {"140x", {}},
  };
  for (const Row& r : rows) EXPECT_EQ(engine::sessionTempoOf(r.text), r.tempo) << r.text;
}

}  // namespace

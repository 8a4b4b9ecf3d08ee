#include <gtest/gtest.h>

#include "engine/GateStep.h"

namespace {

using engine::PatternStep;

TEST(WaitMs, TruncatesTheTempoQuotientTimesTheLength) {
  const struct {
    long double tempo;
    long long ticks, want;
  } cases[] = {{125, 480, 480}, {100, 480, 600}, {250, 60, 30},   {200, 60, 37},
               {125, 0, 0},     {133, 1, 0},     {90, 960, 1333}, {0.5L, 960, 240000}};
  for (const auto& c : cases)
    EXPECT_EQ(engine::waitMs(c.tempo, c.ticks), c.want) << c.tempo << " " << c.ticks;
}

TEST(WaitMs, RefusesWhatWouldFreezeTheClock) {
  EXPECT_EQ(engine::waitMs(125, -1), std::nullopt);
  EXPECT_EQ(engine::waitMs(0, 480), std::nullopt);
  EXPECT_EQ(engine::waitMs(0.001L, 960), std::nullopt);  // 33 hours
  EXPECT_EQ(engine::waitMs(1e-4000L, 960), std::nullopt);
  EXPECT_EQ(engine::waitMs(125, 3600000), 3600000);  // one hour is still played
  EXPECT_EQ(engine::waitMs(125, 3600001), std::nullopt);
}

TEST(TempoOf, TakesOnlyPositiveFiniteNumbers) {
  const struct {
    const char* text;
    std::optional<long double> want;
  } cases[] = {{"125", 125},         {" 125", 125},           {"62.5", 62.5L},
               {"", std::nullopt},   {"abc", std::nullopt},   {"0", std::nullopt},
               {"-5", std::nullopt}, {"1e400", std::nullopt}, {"125x", std::nullopt},
               {"0.0", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(engine::tempoOf(c.text), c.want) << '"' << c.text << '"';
}

TEST(ParseStep, TellsNotesRestsAndInvalidEntries) {
  const struct {
    const char* entry;
    std::optional<PatternStep> want;
  } cases[] = {
      {"480", PatternStep{false, 480}},
      {"!240", PatternStep{true, 240}},
      {"0", PatternStep{false, 0}},
      {"!0", PatternStep{true, 0}},
      {" 240", PatternStep{false, 240}},
      {"$F0", PatternStep{false, 240}},
      {"!", std::nullopt},
      {"12!", std::nullopt},
      {"!!5", std::nullopt},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"-5", std::nullopt},
      {"!-5", std::nullopt},
      {"240 ", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto got = engine::parseStep(c.entry);
    ASSERT_EQ(got.has_value(), c.want.has_value()) << '"' << c.entry << '"';
    if (got) {
      EXPECT_EQ(got->rest, c.want->rest) << c.entry;
      EXPECT_EQ(got->ticks, c.want->ticks) << c.entry;
    }
  }
}

TEST(PlanStep, PassesOverWhatCannotBePlayedAndWraps) {
  const std::vector<std::string> pattern{"480", "abc", "!240", "", "240"};
  const struct {
    int from;
    int index;
    bool rest;
    long long ms;
  } cases[] = {{0, 0, false, 480}, {1, 2, true, 240},   {3, 4, false, 240}, {4, 4, false, 240},
               {5, 0, false, 480}, {99, 0, false, 480}, {-1, 0, false, 480}};
  for (const auto& c : cases) {
    const auto step = engine::planStep(pattern, c.from, 125);
    ASSERT_TRUE(step) << c.from;
    EXPECT_EQ(step->index, c.index) << c.from;
    EXPECT_EQ(step->rest, c.rest) << c.from;
    EXPECT_EQ(step->ms, c.ms) << c.from;
  }
  // A step whose wait would pass an hour at this tempo is skipped like a bad one.
  const auto slow = engine::planStep({"960", "!1"}, 0, 0.01L);
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->index, 1);
}

TEST(PlanStep, FindsNothingInAPatternWithoutPlayableSteps) {
  EXPECT_EQ(engine::planStep({}, 0, 125), std::nullopt);
  EXPECT_EQ(engine::planStep({"!", "x", ""}, 1, 125), std::nullopt);
}

}  // namespace

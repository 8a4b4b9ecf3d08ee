// A PipeWire stream's arithmetic: when a buffer is heard, what to render, what to ask for, skips.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "midi/StreamTime.h"

namespace {

using midi::StreamTime;

constexpr std::int64_t kNow = 5'000'000'000'000;  // a steady clock far from zero

TEST(StreamTime, HeardAndCapturedMomentsAddTheDelayAndWhatIsBuffered) {
  struct Row {
    const char* what;
    StreamTime time;
    double streamRate;
    std::int64_t heardNs, capturedNs;
  };
  const std::vector<Row> rows = {
      {"no delay", {kNow, 0, 1, 48000, 0, 0}, 48000, kNow, kNow},
      {"delay of one 256-frame quantum",
       {kNow, 256, 1, 48000, 0, 0},
       48000,
       kNow + 5'333'333,
       kNow - 5'333'333},
      {"delay in the graph's rate, the stream at another",
       {kNow, 441, 1, 44100, 0, 0},
       48000,
       kNow + 10'000'000,
       kNow - 10'000'000},
      {"queued frames at the stream's rate",
       {kNow, 0, 1, 48000, 0, 480},
       48000,
       kNow + 10'000'000,
       kNow},
      {"resampler frames count both ways",
       {kNow, 0, 1, 48000, 48, 0},
       48000,
       kNow + 1'000'000,
       kNow - 1'000'000},
      {"the buffer the graph took this cycle plays first",
       {kNow, 0, 1, 48000, 0, 0, 256},
       48000,
       kNow + 5'333'333,
       kNow},
      {"all of it",
       {kNow, 1024, 1, 48000, 48, 256, 256},
       48000,
       kNow + 33'000'000,
       kNow - 22'333'333},
      // Before the first cycle the report is all zeros: no division by a zero rate.
      {"report without a rate", {kNow, 256, 0, 0, 0, 0}, 48000, kNow, kNow},
      {"negative delay counts as none", {kNow, -256, 1, 48000, 0, 0}, 48000, kNow, kNow},
      {"stream rate unknown: queued frames count as none",
       {kNow, 0, 1, 48000, 0, 480},
       0,
       kNow,
       kNow},
      // A large delay in a fine unit must not overflow on the way to ns.
      {"an hour in ns units",
       {kNow, 3'600'000'000'000, 1, 1'000'000'000, 0, 0},
       48000,
       kNow + 3'600'000'000'000,
       kNow - 3'600'000'000'000},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(midi::heardAtNs(row.time, row.streamRate), row.heardNs) << row.what;
    EXPECT_EQ(midi::capturedAtNs(row.time, row.streamRate), row.capturedNs) << row.what;
  }
}

// The frame heard moves with the moment heard: by the position, and by what plays ahead of it.
TEST(StreamTime, HeardFrameIsThePositionPlusWhatPlaysAhead) {
  struct Row {
    const char* what;
    StreamTime time;
    double streamRate;
    std::uint32_t frame;
  };
  const std::vector<Row> rows = {
      {"position only", {kNow, 0, 1, 48000, 0, 0, 0, 96000}, 48000, 96000},
      {"a quantum of delay and the buffer playing",
       {kNow, 256, 1, 48000, 0, 0, 128, 96000},
       48000,
       96000 + 256 + 128},
      {"graph at 44.1 kHz, stream at 48 kHz", {kNow, 441, 1, 44100, 0, 0, 0, 44100}, 48000, 48480},
      // Days of uptime pass 2^32 frames: the count wraps like JACK's.
      {"past 2^32", {kNow, 0, 1, 48000, 0, 0, 0, (1ull << 32) + 10}, 48000, 10},
      {"report without a rate", {kNow, 256, 0, 0, 0, 0, 0, 96000}, 48000, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(midi::heardFrame(row.time, row.streamRate), row.frame) << row.what;
}

TEST(StreamTime, FramesToRenderAreWhatWasRequestedAndFits) {
  struct Row {
    std::uint64_t requested;
    std::uint32_t capacityBytes, frameBytes, frames;
  };
  const std::vector<Row> rows = {
      {256, 8192, 8, 256}, {0, 8192, 8, 1024}, {4096, 8192, 8, 1024}, {255, 8192, 8, 255},
      {256, 8191, 8, 256}, {0, 7, 8, 0},       {256, 8192, 0, 0},     {1ull << 40, 8192, 8, 1024},
  };
  for (const auto& row : rows)
    EXPECT_EQ(midi::framesToRender(row.requested, row.capacityBytes, row.frameBytes), row.frames)
        << row.requested << " requested, " << row.capacityBytes << " bytes";
}

TEST(StreamTime, QuantumAndItsLatencyProperty) {
  struct Row {
    std::uint32_t asked, used;
    double rate;
    const char* property;
  };
  const std::vector<Row> rows = {
      {0, 128, 48000, "128/48000"},        {64, 64, 48000, "64/48000"},
      {256, 256, 44100, "256/44100"},      {1, 16, 48000, "16/48000"},
      {100000, 8192, 96000, "8192/96000"}, {256, 256, 0, "256/48000"},
      {128, 128, 47999.6, "128/48000"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(midi::usableQuantum(row.asked), row.used) << row.asked;
    EXPECT_EQ(midi::latencyProperty(midi::usableQuantum(row.asked), row.rate), row.property)
        << row.asked;
  }
}

TEST(StreamTime, TickWatchFindsCyclesThatDoNotFollow) {
  struct Cycle {
    std::uint64_t ticks, length;
    bool skipped;
  };
  struct Row {
    const char* what;
    std::vector<Cycle> cycles;
  };
  const std::vector<Row> rows = {
      {"steady", {{1000, 256, false}, {1256, 256, false}, {1512, 256, false}}},
      {"one cycle missed",
       {{0, 256, false}, {256, 256, false}, {768, 256, true}, {1024, 256, false}}},
      {"the quantum shrinks", {{0, 1024, false}, {1024, 256, false}, {1280, 256, false}}},
      {"the quantum grows", {{0, 256, false}, {256, 1024, false}, {1280, 1024, false}}},
      {"the counter goes back (a new driver)",
       {{5000, 256, false}, {100, 256, true}, {356, 256, false}}},
      {"first cycle far from zero", {{~0ull - 255, 256, false}, {0, 256, false}}},
  };
  for (const auto& row : rows) {
    midi::TickWatch watch;
    int k = 0;
    for (const auto& cycle : row.cycles)
      EXPECT_EQ(watch.skipped(cycle.ticks, cycle.length), cycle.skipped)
          << row.what << ", cycle " << k++;
  }
}

TEST(StreamTime, TickWatchStartsAfreshAfterAReset) {
  midi::TickWatch watch;
  EXPECT_FALSE(watch.skipped(0, 256));
  watch.reset();  // e.g. a pause: the next cycle is far on and is no skip
  EXPECT_FALSE(watch.skipped(48000, 256));
  EXPECT_TRUE(watch.skipped(48000, 256));  // the same ticks again: the graph went back
}

}  // namespace

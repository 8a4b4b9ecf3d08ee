// JACK transport readings as beats: with a timebase master, without one, rolling or stopped.
#include <gtest/gtest.h>

#include "sync/Jack.h"

namespace {

TEST(QuarterNotesOf, BarBeatTickInQuarterNotes) {
  const struct Row {
    int bar, beat, tick;
    double ticksPerBeat, beatsPerBar, beatType;
    std::optional<double> quarters;
  } rows[] = {
      {1, 1, 0, 1920, 4, 4, 0},
      {2, 3, 960, 1920, 4, 4, 6.5},
      {3, 1, 0, 1920, 3, 4, 6},
      {2, 1, 0, 1920, 6, 8, 3},  // eighths: half a quarter each
      {1, 2, 0, 1920, 2, 2, 2},  // halves
      {0, 1, 0, 1920, 4, 4, std::nullopt},
      {1, 0, 0, 1920, 4, 4, std::nullopt},
      {1, 1, 0, 0, 4, 4, std::nullopt},
      {1, 1, 0, 1920, 4, 0, std::nullopt},
  };
  for (const Row& r : rows) {
    const auto got =
        midi::quarterNotesOf(r.bar, r.beat, r.tick, r.ticksPerBeat, r.beatsPerBar, r.beatType);
    EXPECT_EQ(got.has_value(), r.quarters.has_value()) << r.bar << "." << r.beat << "." << r.tick;
    if (got && r.quarters) {
      EXPECT_DOUBLE_EQ(*got, *r.quarters);
    }
  }
}

TEST(TransportBeat, FromTheCycleToTheMomentAsked) {
  midi::Transport master;
  master.rolling = true;
  master.bbt = true;
  master.beat = 10;
  master.tempo = 125;
  master.steadyNs = 1'000'000'000;
  master.frame = 480000;
  midi::Transport stopped = master;
  stopped.rolling = false;
  midi::Transport frames = master;
  frames.bbt = false;
  const struct Row {
    const char* what;
    midi::Transport t;
    std::int64_t atNs;
    double beat, tempo;
    bool running;
  } rows[] = {
      {"master, at the cycle", master, 1'000'000'000, 10, 125, true},
      {"master, 480 ms on: one beat", master, 1'480'000'000, 11, 125, true},
      {"master, asked for before the cycle", master, 760'000'000, 9.5, 125, true},
      {"stopped: stands still", stopped, 1'480'000'000, 10, 125, false},
      {"no master: frames at the fallback tempo", frames, 1'000'000'000, 10 * 100.0 / 60, 100,
       true},
      {"no master, 600 ms on", frames, 1'600'000'000, 10 * 100.0 / 60 + 1, 100, true},
  };
  for (const Row& r : rows) {
    const ksync::Beat b = ksync::transportBeat(r.t, r.atNs, 100);
    EXPECT_NEAR(b.beat, r.beat, 1e-9) << r.what;
    EXPECT_DOUBLE_EQ(b.tempo, r.tempo) << r.what;
    EXPECT_EQ(b.running, r.running) << r.what;
  }
}

}  // namespace

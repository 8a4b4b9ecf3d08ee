// The note clock's decision, one row per situation of a tick.
#include <gtest/gtest.h>

#include "engine/ClockTick.h"
#include "pad/NoteNames.h"

namespace {

struct Row {
  const char* what;
  bool pointerIn, padDown;
  int x;
  const char *caption, *tempo, *channel;
  bool gate;
  int gateStep;
  // expected
  bool rest;
  const char* newCaption;  ///< nullptr: unchanged
  std::vector<std::vector<int>> messages;
  long long waitMs;
  std::optional<int> nextStep;
};

TEST(DecideTick, OneRowPerSituation) {
  const std::vector<std::string> keys{"60", "62", "x"}, volumes{"100", "50"};
  const std::vector<std::string> pattern{"!", "!240", "480"};
  std::vector<std::string> names;
  for (int k = 0; k < 132; ++k) names.push_back(pad::noteName(k));
  // A pad 300 × 100 with three columns: x 150 lies in column 1 (D4), x 250 in the bad entry.
  // clang-format off
  const Row rows[] = {
      {"off the pad", false, true, 150, "", "125", "1", false, 0, true, nullptr, {}, 0, {}},
      {"hovering, new cell", true, false, 150, "C4-100", "125", "1", false, 0, false, "D4-100", {}, 0, {}},
      {"hovering, same cell", true, false, 150, "D4-100", "125", "1", false, 0, true, nullptr, {}, 0, {}},
      {"hovering a bad entry", true, false, 250, "D4-100", "125", "1", false, 0, true, nullptr, {}, 0, {}},
      {"held, Length", true, true, 150, "D4-100", "125", "2", false, 0, false, nullptr, {{0x81, 7, 100}, {0x91, 62, 100}}, 480, {}},
      {"held on a bad entry", true, true, 250, "", "125", "1", false, 0, false, nullptr, {}, 0, {}},
      {"held, no tempo", true, true, 150, "D4-100", "0", "1", false, 0, false, nullptr, {}, 0, {}},
      {"gate skips a bad entry to a rest", true, true, 150, "D4-100", "125", "1", true, 0, false, nullptr, {{0x80, 7, 100}}, 240, 2},
      {"gate note, wraps", true, true, 150, "D4-100", "125", "1", true, 2, false, nullptr, {{0x80, 7, 100}, {0x90, 62, 100}}, 480, 0},
      {"gate, no channel", true, true, 150, "D4-100", "125", "x", true, 0, false, nullptr, {}, 0, 1},
  };
  // clang-format on
  for (const Row& r : rows) {
    const engine::TickResult got = engine::decideTick({.pointerIn = r.pointerIn,
                                                       .padDown = r.padDown,
                                                       .x = r.x,
                                                       .y = 10,
                                                       .width = 300,
                                                       .height = 100,
                                                       .keys = &keys,
                                                       .volumes = &volumes,
                                                       .noteNames = &names,
                                                       .caption = r.caption,
                                                       .tempo = r.tempo,
                                                       .length = 480,
                                                       .gate = r.gate,
                                                       .pattern = &pattern,
                                                       .gateStep = r.gateStep,
                                                       .channel = r.channel,
                                                       .lastNote = 7});
    SCOPED_TRACE(r.what);
    EXPECT_EQ(got.rest, r.rest);
    EXPECT_EQ(got.caption, r.newCaption ? std::optional<std::string>(r.newCaption) : std::nullopt);
    std::vector<std::vector<int>> messages;
    for (const auto& m : got.messages) messages.push_back({m.status, m.data1, m.data2});
    EXPECT_EQ(messages, r.messages);
    EXPECT_EQ(got.played, !r.messages.empty());
    if (got.played) {
      EXPECT_EQ(got.waitMs, r.waitMs);
    }
    EXPECT_EQ(got.gateStep, r.nextStep);
  }
}

}  // namespace

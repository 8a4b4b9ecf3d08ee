// MIDI clock out: which messages fall due, and the moments they are sent for.
#include <gtest/gtest.h>

#include "sync/ClockOut.h"

namespace {

using ksync::ClockMessage;
using ksync::Moment;
using std::chrono::microseconds;
using std::chrono::milliseconds;

const Moment t0{std::chrono::seconds(100)};

/// status@µs after t0 for each message, e.g. "FA@0 F8@0 F8@20000".
std::string listed(const std::vector<ClockMessage>& messages) {
  std::string out;
  for (const auto& m : messages) {
    char one[48];
    std::snprintf(
        one, sizeof one, "%s%X@%lld", out.empty() ? "" : " ", m.status,
        static_cast<long long>(std::chrono::duration_cast<microseconds>(m.at - t0).count()));
    out += one;
  }
  return out;
}

TEST(ClockOut, FreeRunningFromThePress) {
  // 125 BPM: a pulse every 20 ms.
  ksync::ClockOut out;
  EXPECT_EQ(listed(out.press(t0, 125)), "FA@0 F8@0");
  EXPECT_EQ(listed(out.freeRun(t0 + milliseconds(19), 125)), "");
  EXPECT_EQ(out.next(), t0 + milliseconds(20));
  EXPECT_EQ(listed(out.freeRun(t0 + milliseconds(41), 125)), "F8@20000 F8@40000");
  // A new tempo counts from the last pulse: 250 BPM, 10 ms.
  EXPECT_EQ(listed(out.freeRun(t0 + milliseconds(50), 250)), "F8@50000");
  EXPECT_EQ(listed(out.release(t0 + milliseconds(55))), "FC@55000");
  EXPECT_EQ(listed(out.release(t0 + milliseconds(56))), "");  // stopped already
  // A press restarts the phase.
  EXPECT_EQ(listed(out.press(t0 + milliseconds(57), 250)), "FA@57000 F8@57000");
}

TEST(ClockOut, FreeRunningRows) {
  const struct Row {
    const char* what;
    double tempo;
    long long untilMs;
    const char* sent;  ///< after the press's Start
  } rows[] = {
      {"no tempo: no pulse", 0, 100, ""},
      {"120 BPM: 20.833 ms apart", 120, 45, "F8@0 F8@20833 F8@41666"},
      {"a stall: no burst of the missed pulses", 125, 2000, "F8@0 F8@2000000"},
  };
  for (const Row& r : rows) {
    ksync::ClockOut out;
    auto sent = out.press(t0, r.tempo);
    sent.erase(sent.begin());
    for (const auto& m : out.freeRun(t0 + milliseconds(r.untilMs), r.tempo)) sent.push_back(m);
    EXPECT_EQ(listed(sent), r.sent) << r.what;
  }
}

TEST(ClockOut, FollowsTheSourcesBeatAndItsStartStop) {
  // 125 BPM, lead 5 ms: a pulse landing at beat n/24 is sent 5 ms before it.
  const auto lead = milliseconds(5);
  auto beatAt = [](double beat, bool running) {
    return std::optional<ksync::Beat>(ksync::Beat{beat, 125, running});
  };
  const struct Row {
    const char* what;
    std::optional<ksync::Beat> beat;  ///< at landing = t0 + lead
    const char* sent;
  } rows[] = {
      {"stopped: nothing", beatAt(0, false), ""},
      {"started at 0: Start and the first pulse", beatAt(0, true), "FA@0 F8@0"},
      {"a little later: the pulse at 1/24 not yet", beatAt(0.02, true), ""},
      {"on the next pulse", beatAt(1.0 / 24, true), "F8@0"},
      {"the same pulse is not sent twice", beatAt(1.0 / 24, true), ""},
      {"read just after the next pulse: sent for its own moment", beatAt(2.0 / 24 + 0.001, true),
       "F8@-480"},
      {"read well before the one after", beatAt(2.0 / 24 + 0.02, true), ""},
      {"stopped: Stop", beatAt(0.05, false), "FC@0"},
      {"continued at beat 8.49: position 34, Continue, then the pulse of beat 8.5",
       beatAt(8.49, true), "F2@0 FB@0 F8@4800"},
      {"silent: Stop", std::nullopt, "FC@0"},
  };
  ksync::ClockOut out;
  for (const Row& r : rows) {
    const auto sent = out.follow(r.beat, t0 + lead, lead, t0 + microseconds(4800));
    EXPECT_EQ(listed(sent), r.sent) << r.what;
  }
}

TEST(ClockOut, EveryPulseOnceWhereReadingsComeJustAfterThem) {
  // 125 BPM (a pulse every 20 ms), lead 5 ms; each reading sends what is due by its own moment.
  // A reading that waited for a pulse comes a little after it (here 0.0001 beats, 48 µs).
  const double late = 0.0001;
  const struct Row {
    const char* what;
    std::vector<double> beats;  ///< read in turn, each at landing = t0 + lead
    const char* sent;
  } rows[] = {
      {"started read at 0.017: Start and beat 0's pulse at once, then each pulse once",
       {0.017, 1.0 / 24 + late, 2.0 / 24 + late, 3.0 / 24 + late},
       "FA@0 F8@-8160 F8@-48 F8@-48 F8@-48"},
      {"started read at 0.1: the pulses since beat 0 at once, the count holds",
       {0.1, 3.0 / 24 + late},
       "FA@0 F8@-48000 F8@-28000 F8@-8000 F8@-48"},
      {"continued read at 2.3: position 10, then the pulses from beat 2.5 on",
       {2.3, 2.5 + late, 2.5 + 1.0 / 24 + late},
       "F2@0 FB@0 F8@-48 F8@-48"},
      {"after a stall, afresh from the position, and again each pulse once",
       {0.0, 1.0 / 24 + late, 9.01, 9.0 + 1.0 / 24 + late, 9.0 + 2.0 / 24 + late},
       "FA@0 F8@0 F8@-48 F8@-48 F8@-48"},
  };
  const auto lead = milliseconds(5);
  for (const Row& r : rows) {
    ksync::ClockOut out;
    std::vector<ClockMessage> sent;
    for (const double beat : r.beats)
      for (const auto& m : out.follow(ksync::Beat{beat, 125, true}, t0 + lead, lead, t0))
        sent.push_back(m);
    EXPECT_EQ(listed(sent), r.sent) << r.what;
  }
}

TEST(ClockOut, NoBurstFromAWildTempo) {
  ksync::ClockOut out;
  const auto sent = out.follow(ksync::Beat{0, 1e6, true}, t0, {}, t0 + milliseconds(5));
  EXPECT_EQ(sent.size(), 1u + ksync::kPulsesPerBeat);  // Start, then one beat's pulses at most
}

TEST(ClockOut, SongPositionBytesBeforeContinue) {
  ksync::ClockOut out;
  const auto sent = out.follow(ksync::Beat{1000.3, 120, true}, t0, {}, t0);
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0].status, 0xF2);
  // Sixteenths: the next one, whose pulse is the first the receiver counts after Continue.
  EXPECT_EQ(sent[0].data1 | sent[0].data2 << 7, 4002);
  EXPECT_EQ(sent[1].status, 0xFB);
}

}  // namespace

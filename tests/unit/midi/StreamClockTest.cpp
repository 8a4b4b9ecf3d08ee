// Where a message lands in an audio stream: the latency from its moment to its frame's sound
// stays the lead through drift, bursts, xruns and changes of quantum and rate.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <random>

#include "midi/StreamClock.h"

namespace {

constexpr std::int64_t kSecond = 1'000'000'000;

/// A device asking for buffers; from buffer changeAt on, its quantum or rate is another, or its
/// clock has jumped by jumpNs (an xrun or a stall). heardNs comes from the device (jittered by
/// jitterNs, every 50th buffer lateNs late on top); the callback runs aheadNs before it.
struct Device {
  const char* what;
  double rate = 48000;
  std::uint32_t quantum = 256;
  double ppm = 0;
  std::int64_t aheadNs = 0, jitterNs = 20'000, lateNs = 0;
  std::int64_t changeAt = 1 << 30, jumpNs = 0;
  std::uint32_t newQuantum = 0;
  double newRate = 0;
  std::int64_t origin = 5 * kSecond;
  // The device tells its frame count (JACK, PipeWire): it jumps with the clock. From buffer
  // skipEvery on, every skipEvery-th cycle is skipped: no buffer is asked for it.
  bool counted = false;
  std::int64_t skipEvery = 0;
};

struct Placed {
  std::int64_t buffer;
  double latencyNs, leadNs;
};

/// Runs seconds of buffers; each buffer a sender queues one message for a moment within it,
/// placed in order. Returns each placement; skips counts the cycles skipped.
std::vector<Placed> run(const Device& d, double seconds, std::size_t& unplaced,
                        std::size_t* skips = nullptr) {
  midi::StreamClock clock;
  std::mt19937 random(7);
  std::uniform_int_distribution<std::int64_t> jitter(0, d.jitterNs);
  std::uniform_real_distribution<double> within(0, 1);
  std::deque<std::int64_t> pending;
  std::vector<Placed> placed;
  double deviceNs = static_cast<double>(d.origin);  // when the next frame is heard
  std::int64_t lastMoment = 0;
  std::uint32_t counter = 4'000'000'000u;  // wraps within the run
  for (std::int64_t k = 0; deviceNs < static_cast<double>(d.origin) + seconds * 1e9; ++k) {
    const bool changed = k >= d.changeAt;
    const double rate = changed && d.newRate > 0 ? d.newRate : d.rate;
    const std::uint32_t quantum = changed && d.newQuantum > 0 ? d.newQuantum : d.quantum;
    const double nsPerFrame = 1e9 / (rate * (1 + d.ppm * 1e-6));
    if (k == d.changeAt) {
      deviceNs += static_cast<double>(d.jumpNs);
      counter += static_cast<std::uint32_t>(std::llround(d.jumpNs / nsPerFrame));
    }
    if (d.skipEvery > 0 && k > 0 && k % d.skipEvery == 0) {
      deviceNs += quantum * nsPerFrame;
      counter += quantum;
      if (skips) ++*skips;
    }
    const std::int64_t late = (k % 50 == 0 ? d.lateNs : 0) + jitter(random);
    const auto heard = static_cast<std::int64_t>(deviceNs) + late;
    const std::int64_t now = heard - d.aheadNs;
    midi::AudioBuffer buffer{nullptr, nullptr, 1, quantum, heard, rate};
    if (d.counted) buffer.frame = counter;
    counter += quantum;
    clock.begin(buffer, now);
    while (!pending.empty()) {
      const auto offset = clock.offsetOf(pending.front());
      if (!offset) break;
      const double at = deviceNs + *offset * nsPerFrame;
      placed.push_back(
          {k, at - static_cast<double>(pending.front()), clock.leadFrames() * 1e9 / rate});
      pending.pop_front();
    }
    lastMoment = std::max(lastMoment, now + static_cast<std::int64_t>(within(random) * 1e6));
    pending.push_back(lastMoment);
    deviceNs += quantum * nsPerFrame;
  }
  unplaced = pending.size();
  return placed;
}

TEST(StreamClock, LatencyStaysTheLead) {
  const Device devices[] = {
      {"steady"},
      {"64 frames, device 3 ms ahead", 48000, 64, 0, 3'000'000},
      {"sound card 100 ppm fast", 48000, 256, 100},
      {"sound card 100 ppm slow", 44100, 1024, -100},
      {"bursts: every 50th buffer 5 ms late", 48000, 256, 0, 0, 50'000, 5'000'000},
      {"xrun: the clock 30 ms on", 48000, 256, 0, 0, 20'000, 0, 3000, 30'000'000},
      {"stall: the clock 400 ms on", 48000, 256, 0, 0, 20'000, 0, 3000, 400'000'000},
      {"clock 2 ms back", 48000, 256, 0, 0, 20'000, 0, 3000, -2'000'000},
      {"quantum 256 to 64", 48000, 256, 0, 0, 20'000, 0, 3000, 0, 64},
      {"quantum 256 to 1024", 48000, 256, 0, 2'000'000, 20'000, 0, 3000, 0, 1024},
      {"rate 48 to 44.1 kHz", 48000, 256, 0, 0, 20'000, 0, 3000, 0, 0, 44100},
      {"a year of uptime", 48000, 256, 0, 0, 20'000, 0, 1 << 30, 0, 0, 0, 365 * 86400 * kSecond},
  };
  for (const auto& d : devices) {
    SCOPED_TRACE(d.what);
    std::size_t unplaced = 0;
    const auto placed = run(d, 40, unplaced);
    EXPECT_LE(unplaced, 8u) << "messages stuck in the queue";
    ASSERT_GT(placed.size(), 1000u);
    double low = INFINITY, high = -INFINITY, worst = 0;
    for (const auto& p : placed) {
      // Settled: two seconds after the start and after the change.
      if (p.buffer < 400 || (p.buffer >= d.changeAt && p.buffer < d.changeAt + 400)) continue;
      // Off the lead (which holds what the device holds itself): a frame and the wake-up
      // jitter at most.
      worst = std::max(worst, std::abs(p.latencyNs - p.leadNs));
      if (p.buffer < d.changeAt) {
        low = std::min(low, p.latencyNs);
        high = std::max(high, p.latencyNs);
      }
    }
    // A drifting device is followed within a few seconds: off by a few tenths of a ms till then.
    const double allowed = 80'000 + 4'000 * std::abs(d.ppm);
    EXPECT_LT(worst, allowed) << "latency off the lead (ns)";
    EXPECT_LT(high - low, allowed) << "latency not constant (ns)";
  }
}

// A device that skips a cycle (an overloaded graph) and says so in its count: only a message
// due in the cycle skipped is late, by that cycle at most; the next ones are on time at once.
TEST(StreamClock, ACountedSkipLeavesTheNextMessagesOnTime) {
  Device steady{"graph skipping a cycle every 100, counted"};
  steady.counted = true;
  steady.skipEvery = 100;
  Device xrun{"xrun: clock and count 30 ms on", 48000, 256, 0, 0, 20'000, 0, 3000, 30'000'000};
  xrun.counted = true;
  xrun.skipEvery = 1 << 30;
  Device small = steady;
  small.what = "128 frames, device 3 ms ahead, skipping every 100";
  small.quantum = 128;
  small.aheadNs = 3'000'000;
  for (const auto& d : {steady, xrun, small}) {
    SCOPED_TRACE(d.what);
    std::size_t unplaced = 0, skips = d.jumpNs != 0 ? 1 : 0;
    const auto placed = run(d, 40, unplaced, &skips);
    EXPECT_LE(unplaced, 8u) << "messages stuck in the queue";
    std::size_t late = 0;
    for (const auto& p : placed) {
      if (p.buffer < 400) continue;
      const double off = p.latencyNs - p.leadNs;
      if (std::abs(off) < 80'000) continue;
      ++late;
      EXPECT_GT(off, 0) << "early at buffer " << p.buffer;
      EXPECT_LT(off, std::max<double>(d.jumpNs, d.quantum * 1e9 / d.rate) + 80'000)
          << "late by more than the skip at buffer " << p.buffer;
    }
    EXPECT_LE(late, skips) << "messages off the lead after " << skips << " skips";
  }
}

}  // namespace

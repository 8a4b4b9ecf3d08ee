#include "midi/StreamTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "midi/AudioOut.h"

namespace midi {
namespace {

constexpr std::uint32_t kMinQuantum = 16, kMaxQuantum = 8192;

/// The graph delay in ns; 0 when the report has no rate yet (its fields are zero then).
double delayNs(const StreamTime& time) {
  if (time.rateDenom == 0 || time.delay <= 0) return 0;
  return static_cast<double>(time.delay) * time.rateNum * 1e9 / time.rateDenom;
}

double framesNs(std::uint64_t frames, double rate) {
  return rate > 0 ? static_cast<double>(frames) * 1e9 / rate : 0;
}

}  // namespace

std::int64_t heardAtNs(const StreamTime& time, double streamRate) {
  const double ahead =
      delayNs(time) +
      framesNs(time.bufferedFrames + time.queuedFrames + time.playingFrames, streamRate);
  return time.nowNs + std::llround(ahead);
}

std::uint32_t heardFrame(const StreamTime& time, double streamRate) {
  if (time.rateDenom == 0 || streamRate <= 0) return 0;
  const double positionNs = static_cast<double>(time.ticks) * time.rateNum * 1e9 / time.rateDenom;
  const double ahead = static_cast<double>(heardAtNs(time, streamRate) - time.nowNs);
  const auto frame = std::llround((positionNs + ahead) * streamRate / 1e9);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(frame));
}

std::int64_t capturedAtNs(const StreamTime& time, double streamRate) {
  return time.nowNs - std::llround(delayNs(time) + framesNs(time.bufferedFrames, streamRate));
}

std::uint32_t framesToRender(std::uint64_t requested, std::uint32_t capacityBytes,
                             std::uint32_t frameBytes) {
  if (frameBytes == 0) return 0;
  const std::uint32_t fits = capacityBytes / frameBytes;
  if (requested == 0) return fits;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(requested, fits));
}

std::uint32_t usableQuantum(std::uint32_t quantum) {
  if (quantum == 0) return kDefaultAudioQuantum;
  return std::clamp(quantum, kMinQuantum, kMaxQuantum);
}

std::string latencyProperty(std::uint32_t quantum, double rate) {
  const long hz = rate >= 1 ? std::lround(rate) : 48000;
  char text[48];
  std::snprintf(text, sizeof text, "%u/%ld", quantum, hz);
  return text;
}

bool TickWatch::skipped(std::uint64_t ticks, std::uint64_t length) {
  const bool skip = known_ && ticks != expected_;
  expected_ = ticks + length;
  known_ = true;
  return skip;
}

}  // namespace midi

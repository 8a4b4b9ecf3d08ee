#include "midi/FrameClock.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace midi {
namespace {

// Loop bandwidth: a cycle's wake-up jitter (tens of µs, at times milliseconds) is averaged over
// tens of seconds, a sound card's drift (ppm) is followed within a minute.
constexpr double kBandwidthHz = 0.02;
// A cycle this much earlier than the mapping cannot be jitter (wake-ups are only ever late):
// the counter jumped, or the lock was taken on a late wake-up.
constexpr double kEarlyNs = 1e6;
// A cycle this much later is taken as the audio clock having jumped (an xrun, a stall).
constexpr double kLateNs = 20e6;
// What one cycle may pull: a wake-up late by milliseconds counts no more than this.
constexpr double kPullNs = 0.5e6;
// Cycles after a lock in which an earlier wake-up replaces the mapping outright: the lock may
// have been taken on a late one (right after an xrun, most likely).
constexpr std::int64_t kSeekCycles = 8;
// After an xrun: cycles watched, and how far the earliest of them must be off the mapping for
// the audio clock to have jumped (the others may just have woken late).
constexpr int kWatchCycles = 8;
constexpr double kShiftNs = 0.5e6;
// How far the audio clock's rate may be off its nominal value.
constexpr double kMaxDrift = 1e-3;

}  // namespace

void FrameClock::reset(double rate) {
  rate_ = rate > 0 ? rate : 48000;
  nsPerFrame_ = 1e9 / rate_;
  locked_ = false;
}

void FrameClock::watchForJump() {
  watch_ = kWatchCycles;
  earliest_ = {INFINITY, 0, 0};
}

void FrameClock::lock(std::int64_t steadyNs, std::uint32_t frame) {
  origin_ = steadyNs;
  time_ = 0;
  frame_ = frame;
  cycles_ = 0;
  locked_ = true;
  watch_ = 0;  // what was watched was measured against the mapping given up
}

void FrameClock::update(std::int64_t steadyNs, std::uint32_t frame) {
  const auto step = static_cast<std::int32_t>(frame - frame_);  // wraps like the counter
  if (!locked_ || step <= 0) return lock(steadyNs, frame);
  const double predicted = time_ + step * nsPerFrame_;
  const double error = static_cast<double>(steadyNs - origin_) - predicted;
  if (error < -kEarlyNs || error > kLateNs) return lock(steadyNs, frame);
  if (watch_ > 0) {
    if (error < earliest_.error) earliest_ = {error, steadyNs, frame};
    if (--watch_ == 0 && std::abs(earliest_.error) > kShiftNs)
      return lock(earliest_.steadyNs, earliest_.frame);
  }
  frame_ = frame;
  if (error < 0 && cycles_ < kSeekCycles) {
    time_ = predicted + error;
    ++cycles_;
    return;
  }
  // A second-order loop; the first cycles after a lock are averaged plainly instead.
  const double omega = 2 * std::numbers::pi * kBandwidthHz * step / rate_;
  ++cycles_;
  const double gain = std::max(std::numbers::sqrt2 * omega, 1.0 / static_cast<double>(cycles_ + 1));
  const double pull = std::clamp(error, -kPullNs, kPullNs);
  time_ = predicted + gain * pull;
  const double nominal = 1e9 / rate_;
  nsPerFrame_ = std::clamp(nsPerFrame_ + omega * omega * pull / step, nominal * (1 - kMaxDrift),
                           nominal * (1 + kMaxDrift));
}

std::uint32_t FrameClock::frameAt(std::int64_t steadyNs) const {
  if (!locked_) return 0;
  const double frames = (static_cast<double>(steadyNs - origin_) - time_) / nsPerFrame_;
  return frame_ + static_cast<std::uint32_t>(static_cast<std::int64_t>(std::llround(frames)));
}

std::int64_t FrameClock::momentAt(std::uint32_t frame) const {
  if (!locked_) return 0;
  const auto frames = static_cast<std::int32_t>(frame - frame_);  // wraps like the counter
  return origin_ + std::llround(time_ + frames * nsPerFrame_);
}

}  // namespace midi

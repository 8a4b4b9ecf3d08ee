#include "sync/ClockIn.h"

#include <cmath>

#include "sync/ClockOut.h"

namespace ksync {
namespace {

constexpr std::size_t kWindow = 2 * kPulsesPerBeat;
// A pulse this far off the fitted line (beyond jitter) counts towards a tempo change.
constexpr double kOffSeconds = 0.0015;
constexpr int kOffRun = 4;

}  // namespace

void PulseTempo::pulse(double seconds) {
  if (times_.size() >= 3) {
    const double predicted = last_ + slope_;
    const double miss = seconds - predicted;
    const int side = miss > 0 ? 1 : -1;
    if (std::abs(miss) > kOffSeconds + 0.05 * slope_)
      off_ = off_ * side > 0 ? off_ + side : side;
    else
      off_ = 0;
    if (std::abs(off_) >= kOffRun) {
      // The tempo changed: only the pulses of the new tempo are fitted.
      while (times_.size() > static_cast<std::size_t>(kOffRun - 1)) times_.pop_front();
      off_ = 0;
    }
  }
  times_.push_back(seconds);
  while (times_.size() > kWindow) times_.pop_front();
  fit();
}

void PulseTempo::clear() {
  times_.clear();
  off_ = 0;
}

void PulseTempo::fit() {
  const std::size_t n = times_.size();
  if (n < 3) return;
  // Least squares of time against pulse index, times taken from the first for precision.
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  const double t0 = times_.front();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<double>(i);
    const double y = times_[i] - t0;
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const auto count = static_cast<double>(n);
  slope_ = (count * sxy - sx * sy) / (count * sxx - sx * sx);
  const double intercept = (sy - slope_ * sx) / count;
  last_ = t0 + intercept + slope_ * (count - 1);
}

std::optional<double> PulseTempo::interval() const {
  if (times_.size() < 3 || !(slope_ > 0)) return std::nullopt;
  return slope_;
}

std::optional<double> PulseTempo::lastFitted() const {
  if (times_.size() < 3) return std::nullopt;
  return last_;
}

void ClockFollower::message(const std::uint8_t* bytes, std::size_t size, double seconds) {
  if (size == 0) return;
  switch (bytes[0]) {
    case 0xF8:
      // Silence before this pulse: the old pulses say nothing of the tempo now.
      if (lastPulse_ && tempo_.interval() &&
          seconds - *lastPulse_ > 2 * kPulsesPerBeat * *tempo_.interval())
        tempo_.clear();
      if (startPending_) {
        startPending_ = false;
        running_ = true;
      }
      tempo_.pulse(seconds);
      lastPulse_ = seconds;
      if (running_) ++pulses_;
      return;
    case 0xFA:  // Start: the next pulse is beat 0
      pulses_ = 0;
      startPending_ = true;
      running_ = false;
      return;
    case 0xFB:  // Continue from the position
      startPending_ = true;
      return;
    case 0xFC:
      running_ = false;
      startPending_ = false;
      return;
    case 0xF2:  // song position: sixteenth notes, while stopped
      if (size >= 3 && !running_) pulses_ = ((bytes[1] & 0x7F) | (bytes[2] & 0x7F) << 7) * 6LL;
      return;
    default:
      return;
  }
}

std::optional<Beat> ClockFollower::at(double seconds) const {
  const auto interval = tempo_.interval();
  const auto fitted = tempo_.lastFitted();
  if (!interval || !fitted || !lastPulse_) return std::nullopt;
  if (seconds - *lastPulse_ > 2 * kPulsesPerBeat * *interval) return std::nullopt;
  Beat b;
  b.tempo = 60 / (*interval * kPulsesPerBeat);
  b.running = running_;
  // The last pulse counted was at position pulses_ − 1; a stopped clock stands at pulses_.
  if (!running_) {
    b.beat = static_cast<double>(pulses_) / kPulsesPerBeat;
    return b;
  }
  const double since = (seconds - *fitted) / *interval;
  b.beat = (static_cast<double>(pulses_ - 1) + since) / kPulsesPerBeat;
  return b;
}

}  // namespace ksync

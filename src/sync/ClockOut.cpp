#include "sync/ClockOut.h"

#include <algorithm>
#include <cmath>

namespace ksync {
namespace {

std::chrono::nanoseconds pulseInterval(double tempo) {
  return std::chrono::nanoseconds(std::llround(60e9 / (tempo * kPulsesPerBeat)));
}

std::chrono::nanoseconds beatsToNs(double beats, double tempo) {
  return std::chrono::nanoseconds(std::llround(beats * 60e9 / tempo));
}

// Pulses within this of the beat read count as due: the source's arithmetic is not exact.
constexpr double kOnPulse = 1e-6;

}  // namespace

std::vector<ClockMessage> ClockOut::press(Moment at, double tempo) {
  pressed_ = true;
  anchor_ = at;
  count_ = 0;
  tempo_ = tempo;
  std::vector<ClockMessage> out{{0xFA, 0, 0, at}};
  for (const auto& m : freeRun(at, tempo)) out.push_back(m);
  return out;
}

std::vector<ClockMessage> ClockOut::release(Moment at) {
  if (!pressed_) return {};
  pressed_ = false;
  return {{0xFC, 0, 0, at}};
}

std::vector<ClockMessage> ClockOut::freeRun(Moment until, double tempo) {
  std::vector<ClockMessage> out;
  if (!(tempo > 0) || !std::isfinite(tempo)) {
    next_.reset();
    return out;
  }
  if (tempo != tempo_) {
    // The pulse already sent stays; the next one is a new interval after it.
    if (count_ > 0 && tempo_ > 0) anchor_ += pulseInterval(tempo_) * (count_ - 1);
    count_ = count_ > 0 ? 1 : 0;
    if (tempo_ <= 0) anchor_ = until;
    tempo_ = tempo;
  }
  const auto interval = pulseInterval(tempo);
  // After a stall the missed pulses are not crowded in: the phase moves on instead.
  if (anchor_ + interval * (count_ + kPulsesPerBeat) < until) count_ = (until - anchor_) / interval;
  while (anchor_ + interval * count_ <= until) {
    out.push_back({0xF8, 0, 0, anchor_ + interval * count_});
    ++count_;
  }
  next_ = anchor_ + interval * count_;
  return out;
}

std::vector<ClockMessage> ClockOut::follow(const std::optional<Beat>& beat, Moment landing,
                                           std::chrono::nanoseconds lead, Moment until) {
  std::vector<ClockMessage> out;
  const Moment sendFor = landing - lead;
  const bool running = beat && beat->running && beat->tempo > 0;
  if (running != running_) {
    running_ = running;
    if (!running) {
      out.push_back({0xFC, 0, 0, sendFor});
    } else if (beat->beat <= 1.0 / (2 * kPulsesPerBeat)) {
      out.push_back({0xFA, 0, 0, sendFor});
    } else {
      // Song position in sixteenth notes, then Continue: the receiver picks up there.
      const auto sixteenths =
          static_cast<int>(std::clamp(std::floor(beat->beat * 4), 0.0, 16383.0));
      out.push_back({0xF2, static_cast<std::uint8_t>(sixteenths & 0x7F),
                     static_cast<std::uint8_t>(sixteenths >> 7), sendFor});
      out.push_back({0xFB, 0, 0, sendFor});
    }
    last_.reset();
  }
  if (!running) {
    next_.reset();
    return out;
  }
  const double pulses = beat->beat * kPulsesPerBeat;
  auto first = static_cast<long long>(std::ceil(pulses - kOnPulse));
  // Relocated (either way by more than a beat): afresh from the position now.
  if (last_ && *last_ + 1 >= first - kPulsesPerBeat && *last_ < first + kPulsesPerBeat)
    first = std::max(first, *last_ + 1);
  for (long long n = first;; ++n) {
    const double ahead = static_cast<double>(n) / kPulsesPerBeat - beat->beat;
    const Moment at = sendFor + beatsToNs(std::max(ahead, 0.0), beat->tempo);
    if (at > until) {
      next_ = at;
      break;
    }
    out.push_back({0xF8, 0, 0, at});
    last_ = n;
  }
  return out;
}

}  // namespace ksync

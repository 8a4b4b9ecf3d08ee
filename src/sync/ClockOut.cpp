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
  const bool starts = running && !running_;
  if (running != running_) {
    running_ = running;
    pulse_.reset();
    if (!running) {
      out.push_back({0xFC, 0, 0, sendFor});
    } else if (beat->beat < 0.25) {  // a clock in is read a few pulses after its Start
      out.push_back({0xFA, 0, 0, sendFor});
      // The receiver counts from the first pulse after Start: beat 0's, which has passed
      // already; it goes at once, with any since, so that the count holds.
      pulse_ = 0;
    } else {
      // Song position in sixteenth notes, then Continue: the receiver picks up there on the
      // next pulse, which must be that sixteenth's (the one just passed would leave it behind).
      const auto sixteenths =
          static_cast<int>(std::clamp(std::ceil(beat->beat * 4 - kOnPulse), 0.0, 16383.0));
      out.push_back({0xF2, static_cast<std::uint8_t>(sixteenths & 0x7F),
                     static_cast<std::uint8_t>(sixteenths >> 7), sendFor});
      out.push_back({0xFB, 0, 0, sendFor});
      pulse_ = static_cast<long long>(sixteenths) * (kPulsesPerBeat / 4);
    }
  }
  if (!running) {
    next_.reset();
    return out;
  }
  const double pulses = beat->beat * kPulsesPerBeat;
  auto first = static_cast<long long>(std::ceil(pulses - kOnPulse));
  // The pulse planned goes next, though its moment has just passed: a reading comes a little
  // after the moment it waited for. Afresh from the position now after a relocation or a stall.
  if (pulse_ && (starts || (*pulse_ >= first - 3 && *pulse_ <= first + kPulsesPerBeat)))
    first = *pulse_;
  // Never a burst: a source that jumped ahead (or a wild tempo) gets one beat's pulses at most.
  for (long long n = first; n < first + kPulsesPerBeat; ++n) {
    const double ahead = static_cast<double>(n) / kPulsesPerBeat - beat->beat;
    // Each for its own moment, also one just past: the port places it there still.
    const Moment at = sendFor + beatsToNs(ahead, beat->tempo);
    pulse_ = n;
    next_ = at;
    if (at > until) break;
    out.push_back({0xF8, 0, 0, at});
    pulse_ = n + 1;
    next_ = at + beatsToNs(1.0 / kPulsesPerBeat, beat->tempo);
  }
  return out;
}

}  // namespace ksync

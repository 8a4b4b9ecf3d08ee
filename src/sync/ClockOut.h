// MIDI clock out: 24 pulses per quarter note, and Start, Stop, Continue.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "sync/Source.h"

namespace ksync {

/// Pulses per quarter note of MIDI clock.
constexpr int kPulsesPerBeat = 24;

/// One real-time message to send, for the moment it is sent for.
struct ClockMessage {
  std::uint8_t status = 0;  ///< 0xF8 pulse, 0xFA Start, 0xFB Continue, 0xFC Stop, 0xF2 position
  std::uint8_t data1 = 0, data2 = 0;
  Moment at{};
};

/// The schedule of MIDI clock out. Plain arithmetic on the moments messages are sent for; the
/// window sends what falls due.
class ClockOut {
 public:
  /// Free running (no source): Start and the first pulse for moment at, the phase from there.
  std::vector<ClockMessage> press(Moment at, double tempo);
  /// Free running: Stop for moment at, when a press started the clock.
  std::vector<ClockMessage> release(Moment at);
  /// Free running at tempo (quarter notes per minute): the pulses sent for moments up to until.
  /// A new tempo counts from the last pulse; a tempo that is not positive sends none.
  std::vector<ClockMessage> freeRun(Moment until, double tempo);
  /// Following a source that said beat of moment landing (nullopt: silent): Start, Continue
  /// (after the song position) or Stop on its changes, and the pulses whose beats fall before
  /// landing + (until − sendFor), each sent for its own moment less lead.
  std::vector<ClockMessage> follow(const std::optional<Beat>& beat, Moment landing,
                                   std::chrono::nanoseconds lead, Moment until);
  /// Moment the next pulse is sent for, as far as known; nullopt when none is planned.
  std::optional<Moment> next() const { return next_; }

 private:
  Moment anchor_{};  // free running: the moment pulse 0 is sent for
  double tempo_ = 0;
  long long count_ = 0;  // free running: pulses sent since the anchor
  bool pressed_ = false;
  bool running_ = false;            // following: the source was running at the last look
  std::optional<long long> pulse_;  // following: index (beat × 24) of the pulse to send next
  std::optional<Moment> next_;
};

}  // namespace ksync

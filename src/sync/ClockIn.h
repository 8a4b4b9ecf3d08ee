// MIDI clock in: 24 pulses per quarter note, Start/Stop/Continue and the song position, turned
// into a beat and a smoothed tempo.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

#include "sync/Source.h"

namespace ksync {

/// The pulse interval by least squares over the last two beats of pulses, so that the jitter of
/// single pulses averages out. A run of pulses far off the fitted line is a tempo change: the
/// fit starts again from them, and settles within two beats.
class PulseTempo {
 public:
  /// A pulse came at seconds (increasing).
  void pulse(double seconds);
  /// Forgets every pulse.
  void clear();
  /// Seconds per pulse; nullopt before three pulses.
  std::optional<double> interval() const;
  /// The fitted moment of the last pulse (seconds); nullopt before three pulses.
  std::optional<double> lastFitted() const;

 private:
  void fit();
  std::deque<double> times_;
  double slope_ = 0, last_ = 0;
  int off_ = 0;  // pulses in a row far off the line, on one side
};

/// What a MIDI clock input says, from its messages and their moments (seconds).
class ClockFollower {
 public:
  /// One message of 1–3 bytes; anything but clock messages is ignored.
  void message(const std::uint8_t* bytes, std::size_t size, double seconds);
  /// Beat and tempo at seconds; nullopt before a tempo is known and after 2 beats without
  /// pulses.
  std::optional<Beat> at(double seconds) const;

 private:
  PulseTempo tempo_;
  long long pulses_ = 0;  // position of the next pulse, in pulses since beat 0
  bool running_ = true;   // a clock that never sent Start plays from its first pulse
  bool startPending_ = false;
  std::optional<double> lastPulse_;
};

}  // namespace ksync

// A tempo source the note clock can follow: JACK transport, MIDI clock, Ableton Link.
#pragma once

#include <chrono>
#include <optional>

// Not "sync": POSIX declares a function sync() in <unistd.h> (which GoogleTest and Qt bring in),
// and a namespace cannot share its name.
namespace ksync {

using Moment = std::chrono::steady_clock::time_point;

/// What a followed source says of one moment.
struct Beat {
  double beat = 0;       ///< quarter notes since the source's beat 0 at that moment
  double tempo = 0;      ///< quarter notes per minute, > 0
  bool running = false;  ///< transport rolling, clock started, Link session playing
};

/// A followed source. Safe to ask from the window's thread while the source updates itself on
/// its own threads.
class Source {
 public:
  virtual ~Source() = default;
  /// Beat and tempo at moment at (now, or a little ahead); nullopt while the source is silent
  /// (no timebase master, no clock for 2 beats' time).
  virtual std::optional<Beat> at(Moment at) = 0;
  /// Offers a tempo the player typed; a source that cannot take one ignores it.
  virtual void proposeTempo(double tempo) { (void)tempo; }
  /// Other peers in the session (Link); −1 for a source without peers.
  virtual int peers() const { return -1; }
};

}  // namespace ksync

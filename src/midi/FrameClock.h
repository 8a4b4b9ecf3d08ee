// When each JACK frame plays, on the steady clock: a mapping fed once per cycle and smoothed,
// so that a late wake-up of the process thread does not move it while a slow drift of the audio
// clock against the steady clock is followed.
#pragma once

#include <cstdint>

namespace midi {

/// A delay-locked loop from steady-clock nanoseconds to frames. Plain arithmetic: one thread
/// feeds and asks.
class FrameClock {
 public:
  /// Unlocked until the first update(), at rate frames per second (> 0).
  explicit FrameClock(double rate = 48000) { reset(rate); }
  /// Forgets the mapping and takes rate (> 0): the next update() locks on its cycle at once.
  void reset(double rate);
  /// The audio clock may have jumped (an xrun): the earliest of the next few cycles tells, and
  /// the mapping re-locks on it if it is off by more than half a millisecond.
  void watchForJump();
  /// Feeds one cycle: frame (JACK's counter, wrapping at 2^32) was seen to start at steady time
  /// steadyNs. A cycle far from the mapping (an xrun, a jump of the counter) re-locks on itself.
  void update(std::int64_t steadyNs, std::uint32_t frame);
  /// The frame that plays at steady time steadyNs, wrapping like JACK's counter; 0 while unlocked.
  std::uint32_t frameAt(std::int64_t steadyNs) const;
  /// The steady time (ns) at which frame plays, the inverse of frameAt(); 0 while unlocked.
  std::int64_t momentAt(std::uint32_t frame) const;
  /// Frames per second the mapping was reset with.
  double rate() const { return rate_; }
  bool locked() const { return locked_; }

 private:
  void lock(std::int64_t steadyNs, std::uint32_t frame);

  struct Cycle {
    double error;  // ns after the mapping
    std::int64_t steadyNs;
    std::uint32_t frame;
  };

  double rate_ = 48000;
  double nsPerFrame_ = 0;    // filtered: follows the audio clock's drift; kept over a re-lock
  std::int64_t origin_ = 0;  // steady ns of the lock; time_ counts from it
  double time_ = 0;          // filtered time at which frame_ starts
  std::uint32_t frame_ = 0;
  std::int64_t cycles_ = 0;  // since the lock: the loop starts wide and narrows
  bool locked_ = false;
  int watch_ = 0;  // cycles still watched for a jump
  Cycle earliest_{};
};

}  // namespace midi

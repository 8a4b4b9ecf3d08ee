// When each frame of an audio stream is heard, and so where in a buffer a message belongs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "midi/AudioOut.h"
#include "midi/FrameClock.h"

namespace midi {

/// The audio callback's view of time: the smoothed mapping from the steady clock to the frames
/// the stream has asked for (FrameClock, fed once per buffer with its heardNs), and the lead
/// that every message waits beyond its moment. Plain arithmetic, used by the callback only.
class StreamClock {
 public:
  /// What every message waits beyond one buffer and what the device holds itself: a sender
  /// that woke late, a callback that came early.
  static constexpr double kMarginSeconds = 0.002;

  /// Starts a buffer: its first frame is heard at buffer.heardNs; the stream asked at nowNs.
  /// A new rate re-locks at once; a new quantum or a buffer off the time its frame puts it at
  /// (an xrun, a stall) makes the mapping watch for a jump.
  void begin(const AudioBuffer& buffer, std::int64_t nowNs);
  /// Offset in the buffer begun of a message for momentNs (steady ns, any uptime): nullopt
  /// when it belongs to a later buffer, 0 when it is due already.
  std::optional<std::uint32_t> offsetOf(std::int64_t momentNs) const;
  /// One buffer, the margin, and how far ahead of its callback the device plays (frames).
  std::uint32_t leadFrames() const { return lead_; }
  double rate() const { return clock_.rate(); }

 private:
  void measureAhead(std::int64_t aheadNs);

  FrameClock clock_;
  // The buffer begun; next_: where one that follows on starts.
  std::uint32_t start_ = 0, count_ = 0, next_ = 0, quantum_ = 0, lead_ = 0;
  std::int64_t expectedNs_ = 0;  // heardNs of a buffer at next_
  // How far the device plays ahead of the callback: the median of the first buffers after a
  // lock, so that a burst of early or late callbacks does not move it.
  std::array<std::int64_t, 9> aheads_{};
  std::size_t aheadCount_ = 0;
  std::int64_t aheadNs_ = 0;
};

}  // namespace midi

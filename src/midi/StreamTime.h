// The arithmetic of a PipeWire stream's buffers, free of PipeWire's types: when a buffer is
// heard, how many frames to render, what latency to ask for, and where the graph skipped.
#pragma once

#include <cstdint>
#include <string>

namespace midi {

/// One time report of a stream (pw_time), in plain numbers.
struct StreamTime {
  std::int64_t nowNs = 0;            ///< monotonic (steady-clock) ns of the report
  std::int64_t delay = 0;            ///< graph delay to the device, in units of rateNum/rateDenom s
  std::uint32_t rateNum = 0;         ///< the graph's time unit: rateNum/rateDenom seconds
  std::uint32_t rateDenom = 0;       ///< 0 before the first cycle: no delay is known yet
  std::uint64_t bufferedFrames = 0;  ///< frames held in the resampler, at the stream's rate
  std::uint64_t queuedFrames = 0;    ///< frames queued in the stream, not yet taken
  /// Frames the graph took from the stream this cycle: a playback stream renders one buffer
  /// ahead, so the buffer rendered now follows them. 0 for the first buffer of a run.
  std::uint64_t playingFrames = 0;
  std::uint64_t ticks = 0;  ///< the graph's position at the report, in its time unit
};

/// Steady-clock ns at which the first frame of the buffer rendered now is heard: the report's
/// moment plus the graph delay plus what plays ahead of it (buffered, queued and playing frames,
/// at streamRate frames per second). A report without a rate, or a negative delay, counts as no
/// delay.
std::int64_t heardAtNs(const StreamTime& time, double streamRate);

/// The graph's count of the frame heard at heardAtNs(time, streamRate), wrapping at 2^32: its
/// position plus the same frames ahead, so that the two move together, and a cycle the graph
/// skipped moves both. 0 for a report without a rate.
std::uint32_t heardFrame(const StreamTime& time, double streamRate);

/// Steady-clock ns at which the first frame of a captured buffer left the device: the report's
/// moment less the graph delay and the resampler's frames.
std::int64_t capturedAtNs(const StreamTime& time, double streamRate);

/// Frames to render into a buffer of capacityBytes holding frames of frameBytes each: what the
/// graph requested (0: the whole buffer), never more than fits. 0 when frameBytes is 0.
std::uint32_t framesToRender(std::uint64_t requested, std::uint32_t capacityBytes,
                             std::uint32_t frameBytes);

/// The quantum to ask for: 0 takes kDefaultAudioQuantum; others are kept within the
/// 16..8192 frames a PipeWire graph runs at.
std::uint32_t usableQuantum(std::uint32_t quantum);

/// The node latency property for quantum frames at rate Hz, e.g. "256/48000".
std::string latencyProperty(std::uint32_t quantum, double rate);

/// Watches the graph's tick counter cycle by cycle for a skip (an xrun, a pause): a cycle whose
/// ticks are not where the previous cycle's ticks plus its length put them.
class TickWatch {
 public:
  /// One cycle: the report's ticks and the cycle's length in ticks. True when the cycle does not
  /// follow the previous one (never for the first cycle after a reset).
  bool skipped(std::uint64_t ticks, std::uint64_t length);
  /// Forgets the previous cycle: the next one starts a new run.
  void reset() { known_ = false; }

 private:
  std::uint64_t expected_ = 0;
  bool known_ = false;
};

}  // namespace midi

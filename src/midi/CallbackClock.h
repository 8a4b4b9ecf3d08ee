// When a driver's buffers are heard, from the moments of its callbacks alone: FluidSynth's own
// drivers tell no device position.
#pragma once

#include <cstdint>

namespace midi {

/// A blocking driver calls back once the device has room for a buffer, one buffer ahead of what
/// it plays: each buffer is heard a span after its callback. The callbacks jitter, come in
/// bursts while the driver fills its buffer, and follow a device clock that may run fast or
/// slow; the estimate moves a little towards each callback, so it follows the device both
/// ways without jumping at a burst. A callback later than a whole span (an xrun, a stall)
/// starts it afresh.
class CallbackClock {
 public:
  /// Steady ns at which the buffer of spanNs asked for at nowNs is heard.
  std::int64_t heardAt(std::int64_t nowNs, std::int64_t spanNs);

 private:
  std::int64_t expectedNs_ = 0;  // when the next buffer should be heard
  bool started_ = false;
};

}  // namespace midi

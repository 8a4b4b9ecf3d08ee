// The real wait of the note clock: the note's length passes, the window stays alive.
#pragma once

#include "app/Services.h"

namespace app {

/// Waits while the event loop goes on: the window repaints, follows resizes and answers the
/// window system. In the last second of the wait (engine::inputWaitsForNote) pointer and key
/// input is held back and re-posted in its order when the wait ends, so it is handled after the
/// note as if the thread had slept; earlier input is handled at once. interrupt() ends the wait
/// at once and drops the held input (a close request, or a release handled before any was held).
class LiveWaiter : public Waiter {
 public:
  LiveWaiter();
  /// Returns after ms milliseconds, at once for ms ≤ 0, or early on interrupt().
  void wait(long long ms) override;
  void waitFrom(std::chrono::steady_clock::time_point from, long long ms) override;
  /// The chime rings at its moments to a fraction of a millisecond, the held input stays held.
  void waitUntil(std::chrono::steady_clock::time_point deadline, Chime* chime) override;
  void interrupt() override;

 private:
  bool waiting_ = false;
  bool interrupted_ = false;
};

}  // namespace app

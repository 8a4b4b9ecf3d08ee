// Link's clock (CLOCK_MONOTONIC_RAW) against the steady clock (CLOCK_MONOTONIC) of Korvane's
// moments: the two drift apart by the NTP slew, so their offset is measured now and then.
#pragma once

#include <cstdint>
#include <functional>

namespace ksync {

/// Readers of the two clocks, in nanoseconds.
struct Clocks {
  std::function<std::int64_t()> steady;
  std::function<std::int64_t()> raw;
};

/// This machine's: the steady clock and CLOCK_MONOTONIC_RAW (Link's, and JACK's own time).
Clocks systemClocks();

/// One reading of the raw clock bracketed by two readings of the steady clock.
struct Offset {
  std::int64_t steadyNs = 0;  ///< midpoint of the bracket
  std::int64_t rawNs = 0;     ///< the raw reading between them
  std::int64_t widthNs = 0;   ///< the bracket's width: how far off the pairing may be
};

/// The tightest of tries brackets (at least one): a reading interrupted between two others
/// (preempted, an interrupt) is wide and loses.
Offset measureOffset(const Clocks& clocks, int tries = 8);

/// Converts moments between the two clocks. The offset is measured at the first use and again
/// once everyNs of steady time have passed (a measurement whose bracket is too wide to trust is
/// left out); in between, the drift seen between the last two measurements is carried on.
/// Not thread-safe: its owner holds a lock.
class ClockMap {
 public:
  explicit ClockMap(Clocks clocks, std::int64_t everyNs = 50'000'000);
  /// The raw clock's reading at steady-clock time steadyNs.
  std::int64_t rawAt(std::int64_t steadyNs);
  /// The steady clock's reading at raw-clock time rawNs.
  std::int64_t steadyAt(std::int64_t rawNs);
  /// Raw minus steady per steady nanosecond, as last measured (0 until two measurements).
  double drift() const { return drift_; }

 private:
  void refresh();

  Clocks clocks_;
  std::int64_t everyNs_;
  bool measured_ = false;
  Offset last_;
  double drift_ = 0;
};

}  // namespace ksync

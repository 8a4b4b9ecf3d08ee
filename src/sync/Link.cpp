#include "sync/Link.h"

#include <time.h>

#include <type_traits>

#include "sync/LinkSession.h"

namespace follow {
namespace {

std::int64_t readNs(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

}  // namespace

// Read at full resolution here (Link's own reader truncates to microseconds): the same clock.
static_assert(std::is_same_v<ableton::Link::Clock, ableton::platforms::linux::ClockMonotonicRaw>,
              "Link's clock on Linux is CLOCK_MONOTONIC_RAW");
// And Korvane's moments are CLOCK_MONOTONIC: libstdc++'s steady_clock.

std::unique_ptr<Source> openLink(double tempo) {
  Clocks clocks{[] {
                  return std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                      .count();
                },
                [] { return readNs(CLOCK_MONOTONIC_RAW); }};
  auto session = std::make_unique<LinkSession<ableton::Link>>(tempo, std::move(clocks));
  session->join();
  return session;
}

}  // namespace follow

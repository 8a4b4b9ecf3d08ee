#include "sync/Link.h"

#include <type_traits>

#include "sync/LinkSession.h"

namespace ksync {

// Our moments are libstdc++'s steady_clock (CLOCK_MONOTONIC); Link's are CLOCK_MONOTONIC_RAW.
static_assert(std::is_same_v<ableton::Link::Clock, ableton::platforms::linux::ClockMonotonicRaw>,
              "the raw clock systemClocks() reads must be Link's");

std::unique_ptr<Source> openLink(double tempo) {
  auto session = std::make_unique<LinkSession<ableton::Link>>(tempo, systemClocks());
  session->join();
  return session;
}

}  // namespace ksync

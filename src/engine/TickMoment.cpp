#include "engine/TickMoment.h"

#include <algorithm>

namespace engine {

TickMoment timeTick(std::optional<Moment> previous, Moment now, long long waitMs) {
  const auto wait = std::chrono::milliseconds(std::max(waitMs, 0LL));
  Moment at = now;
  // A deadline still ahead only comes from a wait cut short: the tick is not early.
  if (previous && *previous <= now && now - *previous <= wait) at = *previous;
  return {at, at + wait};
}

}  // namespace engine

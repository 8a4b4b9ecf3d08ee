// When a clock tick's messages are meant to sound, and when its wait ends.
#pragma once

#include <chrono>
#include <optional>

namespace engine {

using Moment = std::chrono::steady_clock::time_point;

/// The moment of a tick's messages and the deadline its wait ends at.
struct TickMoment {
  Moment at;   ///< what the tick's messages are meant for
  Moment due;  ///< the end of the tick's wait: the next tick's moment
};

/// A tick that follows a played note belongs to that note's deadline (previous), not to the
/// moment it happened to run (now), and its wait ends waitMs after that deadline: the notes
/// keep their grid and no drift builds up. The first tick of a run (no previous deadline: after
/// a press or an idle tick) starts from now, and so does a tick more than a whole note late
/// (the machine stalled): the notes missed are not crowded in to catch up.
TickMoment timeTick(std::optional<Moment> previous, Moment now, long long waitMs);

}  // namespace engine

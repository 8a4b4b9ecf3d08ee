// Strikes on a followed source's beat grid.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace engine {

using Moment = std::chrono::steady_clock::time_point;

/// Ticks per quarter note of the note lengths.
constexpr double kTicksPerBeat = 480;

/// A strike on the grid: its beat on the source's timeline and the moment it lands.
struct GridPoint {
  double beat = 0;
  Moment at{};
};

/// The next strike of a step of ticks ticks (> 0), given the source's beat and tempo (quarter
/// notes per minute, > 0) at moment at, the earliest moment a strike can still land.
/// previous: the beat of the strike just played on the grid; its step continues from there
/// when that lies ahead, but not more than 1.5 steps ahead (a relocated source starts afresh).
/// Otherwise the first multiple of the step at or after beat; after a press (afterPress) the
/// first one at least half a step after it: the press has just sounded, no doubled note.
/// nullopt for a length or tempo that is not positive or not finite.
std::optional<GridPoint> nextGridPoint(double beat, double tempo, long long ticks, Moment at,
                                       std::optional<double> previous, bool afterPress);

/// The tempo a finished entry of the tempo field proposes to a Link session: a number within
/// Link's range (20 to 999 quarter notes per minute); nullopt for anything else.
std::optional<double> sessionTempoOf(std::string_view text);

/// How long ticks last at tempo (quarter notes per minute, > 0); zero for a tempo that is not.
std::chrono::nanoseconds stepDuration(double tempo, long long ticks);

}  // namespace engine

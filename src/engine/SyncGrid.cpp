#include "engine/SyncGrid.h"

#include <cmath>

#include "engine/GateStep.h"

namespace engine {
namespace {

// Beats within this of a grid point count as on it: the source's arithmetic is not exact.
constexpr double kOnGrid = 1e-9;

}  // namespace

std::optional<double> sessionTempoOf(std::string_view text) {
  const auto tempo = tempoOf(text);
  // Link would clamp a tempo outside its range rather than refuse it.
  if (!tempo || *tempo < 20 || *tempo > 999) return std::nullopt;
  return static_cast<double>(*tempo);
}

std::chrono::nanoseconds stepDuration(double tempo, long long ticks) {
  if (!(tempo > 0) || !std::isfinite(tempo)) return {};
  return std::chrono::nanoseconds(
      std::llround(static_cast<double>(ticks) / kTicksPerBeat * 60e9 / tempo));
}

std::optional<GridPoint> nextGridPoint(double beat, double tempo, long long ticks, Moment at,
                                       std::optional<double> previous, bool afterPress) {
  if (ticks <= 0 || !(tempo > 0) || !std::isfinite(tempo) || !std::isfinite(beat))
    return std::nullopt;
  const double step = static_cast<double>(ticks) / kTicksPerBeat;
  double target = 0;
  if (previous && *previous + step >= beat - kOnGrid && *previous + step <= beat + 1.5 * step) {
    target = *previous + step;
  } else {
    const double earliest = beat + (afterPress ? step / 2 : 0);
    target = std::ceil(earliest / step - kOnGrid) * step;
  }
  const double seconds = std::max(target - beat, 0.0) * 60 / tempo;
  return GridPoint{target, at + std::chrono::nanoseconds(std::llround(seconds * 1e9))};
}

}  // namespace engine

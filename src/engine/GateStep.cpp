#include "engine/GateStep.h"

#include <cmath>
#include <limits>

#include "lib/Convert.h"

namespace engine {

std::optional<long double> tempoOf(std::string_view text) {
  const auto tempo = lib::tryStrToFloat(text);
  // Beyond the range of a double ("1e400") no tempo is meant, whatever the wider type holds.
  if (!tempo || !(*tempo > 0) || !(*tempo <= std::numeric_limits<double>::max()))
    return std::nullopt;
  return tempo;
}

std::optional<long long> waitMs(long double tempo, long long ticks) {
  if (ticks < 0 || !(tempo > 0)) return std::nullopt;
  const long double ms = std::trunc((125.0L / tempo) * ticks);
  // A tempo close to zero gives an infinite or absurd wait: refused before any cast.
  if (!std::isfinite(ms) || ms > kMaxWaitMs) return std::nullopt;
  return static_cast<long long>(ms);
}

std::optional<PatternStep> parseStep(std::string_view entry) {
  const bool rest = lib::LastPos(entry, "!") == 1;
  const auto ticks = lib::tryStrToInt(rest ? entry.substr(1) : entry);
  if (!ticks || *ticks < 0) return std::nullopt;
  return PatternStep{rest, *ticks};
}

std::optional<PlannedStep> planStep(const std::vector<std::string>& pattern, int from,
                                    long double tempo) {
  const int count = static_cast<int>(pattern.size());
  int index = from >= 0 && from < count ? from : 0;
  for (int tried = 0; tried < count; ++tried, index = nextStep(index, count)) {
    const auto step = parseStep(pattern[static_cast<std::size_t>(index)]);
    if (!step) continue;
    if (const auto ms = waitMs(tempo, step->ticks))
      return PlannedStep{index, step->rest, *ms, step->ticks};
  }
  return std::nullopt;
}

int nextStep(int index, int count) {
  return index < count - 1 ? index + 1 : 0;
}

}  // namespace engine

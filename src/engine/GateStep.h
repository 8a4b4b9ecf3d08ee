// Note lengths: the tempo, the wait of a length in ticks, and the steps of a gate pattern.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

/// Longest wait the clock plays: a step beyond it is taken for a typing slip, not a note.
constexpr long long kMaxWaitMs = 60LL * 60 * 1000;

/// Longest part of a note's wait during which input waits for the note's end, in ms. Input that
/// comes while more is left is handled at once, so a slow tempo never locks the window.
constexpr long long kHeldInputMs = 1000;

/// Whether input that comes with msLeft of a wait still to run waits for the wait's end.
constexpr bool inputWaitsForNote(long long msLeft) {
  return msLeft <= kHeldInputMs;
}

/// Whether a wait ends early after input handled during it: the left button is no longer down
/// on the pad (released over it, or the pointer left the pad's panel), or the window closes.
constexpr bool endsWait(bool padDown, bool closing) {
  return !padDown || closing;
}

/// Tempo in quarter notes per minute from the tempo field; nullopt unless the text is a
/// positive decimal number within the range of a double.
std::optional<long double> tempoOf(std::string_view text);

/// Milliseconds of ticks at tempo: (125 ÷ tempo) × ticks truncated toward zero, the quotient
/// first, in extended precision. nullopt for negative ticks, a tempo that is not positive or
/// a wait beyond kMaxWaitMs.
std::optional<long long> waitMs(long double tempo, long long ticks);

/// One entry of a gate pattern.
struct PatternStep {
  bool rest = false;       ///< "!" first: nothing sounds
  std::int32_t ticks = 0;  ///< length, 0 or more
};

/// Parses an entry: a whole number is a note, "!" and a whole number a rest. nullopt for
/// anything else ("", "!", "12!", "!!5", "abc", a negative length).
std::optional<PatternStep> parseStep(std::string_view entry);

/// A step the clock can play now.
struct PlannedStep {
  int index = 0;  ///< entry of the pattern it comes from
  bool rest = false;
  long long ms = 0;     ///< its wait at the tempo
  long long ticks = 0;  ///< its length
};

/// The first playable entry from index from on, wrapping; a from outside the pattern starts
/// at 0. Entries that do not parse or whose wait is too long are passed over. nullopt when
/// the pattern has no playable entry.
std::optional<PlannedStep> planStep(const std::vector<std::string>& pattern, int from,
                                    long double tempo);

/// The entry after index in a pattern of count entries: index + 1, or 0 after the last.
int nextStep(int index, int count);

}  // namespace engine

// Diagnostics of the MIDI layer, shown only when KORVANE_MIDI_LOG is set (tests, measurements).
#pragma once

namespace midi {

/// True when KORVANE_MIDI_LOG is set.
bool logging();

/// printf-style line on stderr, prefixed "midi: ", when logging() is on.
void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace midi

#include "midi/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace midi {

bool logging() {
  static const bool on = std::getenv("KORVANE_MIDI_LOG") != nullptr;
  return on;
}

void logLine(const char* format, ...) {
  if (!logging()) return;
  std::va_list args;
  va_start(args, format);
  std::fputs("midi: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  va_end(args);
}

}  // namespace midi

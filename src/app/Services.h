// What the window needs from the platform beyond Qt widgets: dialogs, boxes and the wait.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace app {

/// The window's three open-file dialogs.
enum class FileDialog {
  KeyScale,     ///< OpenDialog1
  Volume,       ///< OpenDialog2
  GatePattern,  ///< OpenDialog3
};

/// Modal dialogs and message boxes; tests script them.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  /// Shows the dialog; the chosen file's full path (bytes), or nullopt when cancelled.
  virtual std::optional<std::string> openFile(FileDialog which) = 0;
  /// A message box titled "Korvane" with one OK button; text is UTF-8.
  virtual void message(const std::string& text) = 0;
  /// The application error report's box: titled "Korvane", error icon, OK.
  virtual void error(const std::string& text) = 0;
};

/// Work due at moments of its own while the clock waits: MIDI clock pulses.
class Chime {
 public:
  virtual ~Chime() = default;
  /// The moment something is due next; nullopt when nothing is planned.
  virtual std::optional<std::chrono::steady_clock::time_point> next() = 0;
  /// Does what is due by now; afterwards next() lies ahead.
  virtual void ring() = 0;
};

/// The note clock's wait for a note's length.
class Waiter {
 public:
  virtual ~Waiter() = default;
  /// Returns after ms milliseconds (at once for ms ≤ 0), or earlier when interrupt() is called.
  virtual void wait(long long ms) = 0;
  /// The same wait, ending ms after from rather than after now (at once when that has passed):
  /// the clock chains its deadlines so that no drift builds up.
  virtual void waitFrom(std::chrono::steady_clock::time_point from, long long ms) {
    (void)from;
    wait(ms);
  }
  /// The same wait, ending at deadline (at once when that has passed), ringing chime (may be
  /// null) whenever it falls due meanwhile.
  virtual void waitUntil(std::chrono::steady_clock::time_point deadline, Chime* chime) {
    (void)chime;
    const auto left = deadline - std::chrono::steady_clock::now();
    wait(std::chrono::ceil<std::chrono::milliseconds>(left).count());
  }
  /// Ends a wait in progress at once (a close request during a note).
  virtual void interrupt() {}
};

}  // namespace app

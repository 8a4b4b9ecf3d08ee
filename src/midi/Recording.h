// Devices and a port that record what the window sends, for tests and benchmarks.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/Port.h"

namespace midi {

/// One thing that happened on a recording port.
struct Event {
  enum Kind { Open, Message, Reset, Silence, Close } kind;
  int device = -1;                           ///< Open: the identifier asked for
  std::vector<std::uint8_t> bytes;           ///< Message: the wire bytes
  std::chrono::steady_clock::time_point at;  ///< when it was recorded
  Moment due{};                              ///< Message, Reset: the moment it was sent for
  /// Message bytes packed as status | d1 << 8 | d2 << 16.
  std::uint32_t packed() const;
};

/// A log shared by the devices and every port they open.
using EventLog = std::vector<Event>;

class RecordingDevices : public Devices {
 public:
  /// names: the devices; an entry of nullopt is a device whose name query fails.
  RecordingDevices(std::shared_ptr<EventLog> log, std::vector<std::optional<std::string>> names);
  int count() override { return static_cast<int>(names_.size()); }
  std::optional<std::string> name(int id) override;
  /// Logs the open; a recording port for a listed id, a NullPort for −1 or an unknown id.
  std::unique_ptr<Port> open(int id) override;
  /// Takes the names given to present() as the list of now.
  void refresh() override;
  /// As refresh(), then ready at once.
  void completeInBackground(std::function<void()> ready) override;
  /// Devices that a refresh() will find (appeared, gone, reordered).
  void present(std::vector<std::optional<std::string>> names) { present_ = std::move(names); }
  void watchServers(std::function<void()> lost) override { lost_ = std::move(lost); }
  /// As a server that goes away: tells the watcher, on the calling thread.
  void loseServer() {
    if (lost_) lost_();
  }

 private:
  std::function<void()> lost_;
  std::shared_ptr<EventLog> log_;
  std::vector<std::optional<std::string>> names_;
  std::optional<std::vector<std::optional<std::string>>> present_;
};

/// Channel messages of the log as packed values, leaving out the controllers of resets and panics.
std::vector<std::uint32_t> notes(const EventLog& log);

}  // namespace midi

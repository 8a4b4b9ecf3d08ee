// A device list built from entries, each a display name and a way to open it.
#pragma once

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "midi/Port.h"

namespace midi {

/// One output device as a backend offers it.
struct DeviceEntry {
  std::string name;                             ///< display name, UTF-8
  std::function<std::unique_ptr<Port>()> open;  ///< may return null when the device is gone
};

/// How far a gathering reaches: the quick backends only, or every backend.
enum class Reach { Quick, Complete };

/// Devices whose identifiers are the positions of a list of entries.
class DeviceList : public Devices {
 public:
  /// Gathers the entries one reach covers; the quick entries come first in a complete list.
  using Gather = std::function<std::vector<DeviceEntry>(Reach)>;

  explicit DeviceList(std::vector<DeviceEntry> entries) : entries_(std::move(entries)) {}
  /// The quick entries, gathered in a thread from now on (beside the window's construction), the
  /// first query waiting for them. refresh() and completeInBackground() gather the complete list.
  explicit DeviceList(Gather gatherer);
  int count() override { return static_cast<int>(entries().size()); }
  std::optional<std::string> name(int id) override;
  /// Opens entry id; a NullPort for −1, an unknown id, a null result or a backend error.
  std::unique_ptr<Port> open(int id) override;
  /// Gathers the complete list on the calling thread; a gathering that fails leaves the list
  /// empty. Open ports keep their entry's backend objects.
  void refresh() override;
  void completeInBackground(std::function<void()> ready) override;

 private:
  std::vector<DeviceEntry>& entries();
  std::vector<DeviceEntry> gather(Reach reach);
  Gather gather_;
  std::future<std::vector<DeviceEntry>> pending_;
  std::vector<DeviceEntry> entries_;
};

}  // namespace midi

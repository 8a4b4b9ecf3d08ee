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

/// Devices whose identifiers are the positions of a fixed list of entries.
class DeviceList : public Devices {
 public:
  using Gather = std::function<std::vector<DeviceEntry>()>;

  explicit DeviceList(std::vector<DeviceEntry> entries) : entries_(std::move(entries)) {}
  /// Entries from gather: gathered in a thread from now on (beside the window's construction),
  /// the first query waiting for them, and again on the calling thread by every refresh().
  explicit DeviceList(Gather gather);
  int count() override { return static_cast<int>(entries().size()); }
  std::optional<std::string> name(int id) override;
  /// Opens entry id; a NullPort for −1, an unknown id, a null result or a backend error.
  std::unique_ptr<Port> open(int id) override;
  /// Gathers again; a gathering that fails leaves the list empty. Open ports keep their entry's
  /// backend objects.
  void refresh() override;

 private:
  std::vector<DeviceEntry>& entries();
  Gather gather_;
  std::future<std::vector<DeviceEntry>> pending_;
  std::vector<DeviceEntry> entries_;
};

}  // namespace midi

#include "midi/System.h"

#include "midi/DeviceList.h"
#include "midi/RtPorts.h"

namespace midi {

std::unique_ptr<Devices> makeSystemDevices() {
  std::vector<DeviceEntry> entries;
  try {
    for (auto& entry : rtMidiEntries()) entries.push_back(std::move(entry));
  } catch (...) {
    // A backend that fails while listing contributes nothing.
  }
  return std::make_unique<DeviceList>(std::move(entries));
}

}  // namespace midi

#include "midi/DeviceList.h"

namespace midi {

DeviceList::DeviceList(Gather gather)
    : gather_(std::move(gather)), pending_(std::async(std::launch::async, std::ref(gather_))) {}

std::vector<DeviceEntry>& DeviceList::entries() {
  if (pending_.valid()) {
    try {
      entries_ = pending_.get();
    } catch (...) {
      entries_.clear();  // a backend that failed while listing leaves the list empty
    }
  }
  return entries_;
}

void DeviceList::refresh() {
  if (!gather_) return;
  entries();  // the first gathering is over before the gatherer runs again
  try {
    entries_ = gather_();
  } catch (...) {
    entries_.clear();
  }
}

std::optional<std::string> DeviceList::name(int id) {
  if (id < 0 || id >= count()) return std::nullopt;
  return entries()[static_cast<std::size_t>(id)].name;
}

std::unique_ptr<Port> DeviceList::open(int id) {
  if (id < 0 || id >= count()) return std::make_unique<NullPort>();
  try {
    if (auto port = entries()[static_cast<std::size_t>(id)].open()) return port;
  } catch (...) {
    // A backend that fails to open leaves a silent port, as a failed open does.
  }
  return std::make_unique<NullPort>();
}

}  // namespace midi

#include "midi/DeviceList.h"

namespace midi {

DeviceList::DeviceList(Gather gatherer)
    : gather_(std::move(gatherer)),
      pending_(std::async(std::launch::async, [this] { return gather(Reach::Quick); })) {}

std::vector<DeviceEntry> DeviceList::gather(Reach reach) {
  try {
    return gather_(reach);
  } catch (...) {
    return {};  // a backend that failed while listing leaves the list empty
  }
}

std::vector<DeviceEntry>& DeviceList::entries() {
  if (pending_.valid()) entries_ = pending_.get();
  return entries_;
}

void DeviceList::refresh() {
  if (!gather_) return;
  entries();  // one gathering at a time
  entries_ = gather(Reach::Complete);
}

void DeviceList::completeInBackground(std::function<void()> ready) {
  if (!gather_) return;
  entries();
  pending_ = std::async(std::launch::async, [this, ready = std::move(ready)] {
    auto complete = gather(Reach::Complete);
    // Told before the hand-over: a query made at once waits only for the return.
    if (ready) ready();
    return complete;
  });
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

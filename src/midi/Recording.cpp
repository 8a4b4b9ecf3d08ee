#include "midi/Recording.h"

namespace midi {
namespace {

class RecordingPort : public Port {
 public:
  RecordingPort(std::shared_ptr<EventLog> log, int device)
      : log_(std::move(log)), device_(device) {}

 protected:
  void writeAt(const std::uint8_t* bytes, std::size_t size, Moment due) override {
    log_->push_back(
        {Event::Message, device_, {bytes, bytes + size}, std::chrono::steady_clock::now(), due});
  }
  void resetDevice(Moment due) override {
    log_->push_back({Event::Reset, device_, {}, std::chrono::steady_clock::now(), due});
  }
  void silenceDevice(Moment due) override {
    log_->push_back({Event::Silence, device_, {}, std::chrono::steady_clock::now(), due});
  }
  void closeDevice() override {
    log_->push_back({Event::Close, device_, {}, std::chrono::steady_clock::now()});
  }

 private:
  std::shared_ptr<EventLog> log_;
  int device_;
};

}  // namespace

std::uint32_t Event::packed() const {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < bytes.size() && i < 3; ++i) v |= std::uint32_t{bytes[i]} << (8 * i);
  return v;
}

RecordingDevices::RecordingDevices(std::shared_ptr<EventLog> log,
                                   std::vector<std::optional<std::string>> names)
    : log_(std::move(log)), names_(std::move(names)) {}

std::optional<std::string> RecordingDevices::name(int id) {
  if (id < 0 || id >= count()) return std::nullopt;
  return names_[static_cast<std::size_t>(id)];
}

std::unique_ptr<Port> RecordingDevices::open(int id) {
  log_->push_back({Event::Open, id, {}, std::chrono::steady_clock::now()});
  // As a real list: −1 and unknown ids open nothing.
  if (id < 0 || id >= count()) return std::make_unique<NullPort>();
  return std::make_unique<RecordingPort>(log_, id);
}

void RecordingDevices::refresh() {
  if (present_) names_ = *present_;
}

void RecordingDevices::completeInBackground(std::function<void()> ready) {
  refresh();
  if (ready) ready();
}

std::vector<std::uint32_t> notes(const EventLog& log) {
  std::vector<std::uint32_t> out;
  for (const auto& e : log)
    if (e.kind == Event::Message && (e.bytes[0] & 0xF0) != 0xB0) out.push_back(e.packed());
  return out;
}

}  // namespace midi

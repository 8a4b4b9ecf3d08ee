#include "midi/RtPorts.h"

#include <RtMidi.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "midi/JackClient.h"

namespace midi {
namespace {

const std::string kClientName = "Korvane";

void quietRtMidi(RtMidiError::Type, const std::string&, void*) {}

/// RtMidi's ALSA backend throws, and ALSA prints, when the sequencer device is missing.
bool alsaSequencerPresent() {
  return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

/// A port writing to RtMidi outputs (at once) and to a port of the JACK client (at its moment).
class SystemPort : public Port {
 public:
  void add(std::unique_ptr<RtMidiOut> out) {
    // From here on a failing send is dropped quietly instead of printed or thrown.
    out->setErrorCallback(&quietRtMidi, nullptr);
    outs_.push_back(std::move(out));
  }
  void addJack(std::shared_ptr<JackClient> jack, int port) {
    jack_ = std::move(jack);
    jackPort_ = port;
  }
  bool empty() const { return outs_.empty() && !jack_; }
  std::chrono::nanoseconds lead() const override {
    return jack_ ? jack_->lead() : std::chrono::nanoseconds{};
  }

 protected:
  void writeAt(const std::uint8_t* bytes, std::size_t size, Moment at) override {
    deliver(bytes, size, at, false);
  }
  void writeSilencing(const std::uint8_t* bytes, std::size_t size, Moment at) override {
    deliver(bytes, size, at, true);
  }
  void closeDevice() override {
    if (jack_) jack_->removePort(jackPort_);
    jack_.reset();
    for (auto& out : outs_) {
      try {
        out->closePort();
      } catch (...) {
      }
    }
    outs_.clear();
  }

 private:
  std::vector<std::unique_ptr<RtMidiOut>> outs_;
  std::shared_ptr<JackClient> jack_;
  int jackPort_ = -1;

  void deliver(const std::uint8_t* bytes, std::size_t size, Moment at, bool silencing) {
    // A note-off the full queue could not take is ended by the next reset instead.
    if (jack_ && !jack_->queue(jackPort_, bytes, size, at, silencing)) undelivered(bytes, size);
    for (auto& out : outs_) {
      try {
        out->sendMessage(bytes, size);
      } catch (...) {
      }
    }
  }
};

/// Opens the virtual port "Korvane" on every system available now; null when none.
std::unique_ptr<Port> openVirtual(const std::shared_ptr<JackClient>& jack) {
  auto port = std::make_unique<SystemPort>();
  if (jack) {
    const int id = jack->addPort(kClientName, "");
    if (id >= 0) port->addJack(jack, id);
  }
  if (alsaSequencerPresent()) {
    try {
      auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
      out->openVirtualPort(kClientName);
      port->add(std::move(out));
    } catch (...) {
      // ALSA cannot host the port now; JACK still can.
    }
  }
  if (port->empty()) return nullptr;
  return port;
}

/// Connects the JACK client to the input port called name; null when it is gone.
std::unique_ptr<Port> openJack(const std::shared_ptr<JackClient>& jack, const std::string& name) {
  const int id = jack->addPort("out", name);
  if (id < 0) return nullptr;
  auto port = std::make_unique<SystemPort>();
  port->addJack(jack, id);
  return port;
}

/// Connects to the ALSA input port called name; null when it is gone.
std::unique_ptr<Port> openAlsa(const std::string& name) {
  auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
  for (unsigned i = 0, n = out->getPortCount(); i < n; ++i) {
    if (out->getPortName(i) != name) continue;
    out->openPort(i, "out");
    auto port = std::make_unique<SystemPort>();
    port->add(std::move(out));
    return port;
  }
  return nullptr;
}

/// The input ports of other programs on the ALSA sequencer, as it names them.
std::vector<std::string> alsaInputPorts() {
  std::vector<std::string> names;
  try {
    RtMidiOut out(RtMidi::LINUX_ALSA, kClientName);
    for (unsigned i = 0, n = out.getPortCount(); i < n; ++i) names.push_back(out.getPortName(i));
  } catch (...) {
    names.clear();
  }
  return names;
}

}  // namespace

std::vector<DeviceEntry> portEntries(const std::shared_ptr<JackClient>& jack) {
  const bool alsa = alsaSequencerPresent();
  std::vector<DeviceEntry> entries;
  if (!jack && !alsa) return entries;
  entries.push_back({kClientName, [jack] { return openVirtual(jack); }});
  if (jack)
    for (const auto& name : jack->inputPorts())
      entries.push_back({name, [jack, name] { return openJack(jack, name); }});
  if (alsa)
    for (const auto& name : alsaInputPorts())
      entries.push_back({name, [name] { return openAlsa(name); }});
  return entries;
}

}  // namespace midi

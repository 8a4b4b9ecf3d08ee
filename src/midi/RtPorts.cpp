#include "midi/RtPorts.h"

#include <RtMidi.h>
#include <jack/jack.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace midi {
namespace {

const std::string kClientName = "Korvane";

void quietJack(const char*) {}
void quietRtMidi(RtMidiError::Type, const std::string&, void*) {}

/// RtMidi's ALSA backend throws, and ALSA prints, when the sequencer device is missing.
bool alsaSequencerPresent() {
  return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

/// The RtMidi systems that can be used now, JACK first.
std::vector<RtMidi::Api> availableApis() {
  std::vector<RtMidi::Api> apis;
  if (jackRunning()) apis.push_back(RtMidi::UNIX_JACK);
  if (alsaSequencerPresent()) apis.push_back(RtMidi::LINUX_ALSA);
  return apis;
}

/// A port writing every message to one or more RtMidi outputs.
class RtPort : public Port {
 public:
  void add(std::unique_ptr<RtMidiOut> out) {
    // From here on a failing send is dropped quietly instead of printed or thrown.
    out->setErrorCallback(&quietRtMidi, nullptr);
    outs_.push_back(std::move(out));
  }
  bool empty() const { return outs_.empty(); }

 protected:
  void write(const std::uint8_t* bytes, std::size_t size) override {
    for (auto& out : outs_) {
      try {
        out->sendMessage(bytes, size);
      } catch (...) {
      }
    }
  }
  void closeDevice() override {
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
};

/// Opens the virtual port "Korvane" on every system available now; null when none.
std::unique_ptr<Port> openVirtual() {
  auto port = std::make_unique<RtPort>();
  for (auto api : availableApis()) {
    try {
      auto out = std::make_unique<RtMidiOut>(api, kClientName);
      out->openVirtualPort(kClientName);
      port->add(std::move(out));
    } catch (...) {
      // That system cannot host the port now; the others still can.
    }
  }
  if (port->empty()) return nullptr;
  return port;
}

/// Connects to the input port called name on api; null when it is gone.
std::unique_ptr<Port> openNamed(RtMidi::Api api, const std::string& name) {
  auto out = std::make_unique<RtMidiOut>(api, kClientName);
  for (unsigned i = 0, n = out->getPortCount(); i < n; ++i) {
    if (out->getPortName(i) != name) continue;
    out->openPort(i, "out");
    auto port = std::make_unique<RtPort>();
    port->add(std::move(out));
    return port;
  }
  return nullptr;
}

/// The input ports of other programs on api, as that system names them.
std::vector<std::string> inputPorts(RtMidi::Api api) {
  std::vector<std::string> names;
  try {
    RtMidiOut out(api, kClientName);
    for (unsigned i = 0, n = out.getPortCount(); i < n; ++i) names.push_back(out.getPortName(i));
  } catch (...) {
    names.clear();
  }
  return names;
}

}  // namespace

bool jackRunning() {
  static const bool silenced = [] {
    jack_set_error_function(&quietJack);
    jack_set_info_function(&quietJack);
    return true;
  }();
  (void)silenced;
  jack_status_t status{};
  jack_client_t* client = jack_client_open("korvane-probe", JackNoStartServer, &status);
  if (client == nullptr) return false;
  jack_client_close(client);
  return true;
}

std::vector<DeviceEntry> rtMidiEntries() {
  const auto apis = availableApis();
  std::vector<DeviceEntry> entries;
  if (apis.empty()) return entries;
  entries.push_back({kClientName, &openVirtual});
  for (auto api : apis)
    for (const auto& name : inputPorts(api))
      entries.push_back({name, [api, name] { return openNamed(api, name); }});
  return entries;
}

}  // namespace midi

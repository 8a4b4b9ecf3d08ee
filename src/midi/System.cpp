#include "midi/System.h"

#include <cstdlib>
#include <optional>

#include "midi/DeviceList.h"
#include "midi/JackClient.h"
#include "midi/Log.h"
#include "midi/RtPorts.h"
#include "midi/Synth.h"

namespace midi {
namespace {

/// Gathers the list; keeps what is worth keeping from one gathering to the next.
class Gatherer {
 public:
  std::vector<DeviceEntry> operator()(Reach reach) {
    std::vector<DeviceEntry> entries;
    try {
      // One synthesizer for the whole run: picking it again must not load its SoundFont again.
      if (!synth_) synth_ = synthEntry(SynthOptions::fromEnvironment());
      if (synth_) entries.push_back(*synth_);
    } catch (...) {
    }
    // Talking to JACK takes tens of milliseconds: the window is shown without it.
    if (reach == Reach::Complete) addPorts(entries);
    for (std::size_t i = 0; i < entries.size(); ++i)
      logLine("device %zu: %s", i, entries[i].name.c_str());
    return entries;
  }

 private:
  std::optional<DeviceEntry> synth_;
  std::shared_ptr<JackClient> jack_;

  void addPorts(std::vector<DeviceEntry>& entries) {
    try {
      // The one JACK client, kept for the ports; a new one only when its server went away.
      if (!jack_ || !jack_->alive()) jack_ = JackClient::shared();
      for (auto& entry : portEntries(jack_)) entries.push_back(std::move(entry));
    } catch (...) {
      // A backend that fails while listing contributes nothing.
    }
  }
};

}  // namespace

std::unique_ptr<Devices> makeSystemDevices() {
  // No backend may start a JACK server of its own (FluidSynth's JACK driver would).
  setenv("JACK_NO_START_SERVER", "1", 0);
  return std::make_unique<DeviceList>(Gatherer());
}

}  // namespace midi

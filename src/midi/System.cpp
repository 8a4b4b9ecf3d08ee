#include "midi/System.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "midi/DeviceList.h"
#include "midi/JackClient.h"
#include "midi/Log.h"
#include "midi/RtPorts.h"
#include "midi/Synth.h"

namespace midi {
namespace {

/// Who is told that a server went away; shared by the list and its gatherer.
class Watch {
 public:
  void set(std::function<void()> lost) {
    std::lock_guard lock(mutex_);
    lost_ = std::move(lost);
  }
  void tell() {
    std::lock_guard lock(mutex_);
    if (lost_) lost_();
  }

 private:
  std::mutex mutex_;
  std::function<void()> lost_;
};

/// Gathers the list; keeps what is worth keeping from one gathering to the next.
class Gatherer {
 public:
  Gatherer(std::shared_ptr<Watch> watch, std::string jackName)
      : watch_(std::move(watch)), jackName_(std::move(jackName)) {}
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
  std::shared_ptr<Watch> watch_;
  std::optional<DeviceEntry> synth_;
  std::shared_ptr<JackClient> jack_;
  std::string jackName_;

  void addPorts(std::vector<DeviceEntry>& entries) {
    try {
      // The one JACK client, kept for the ports; a new one only when its server went away, and
      // only once the dead one is closed (libjack reaches no new server while it is open).
      if (jack_ && !jack_->alive()) jack_->releaseDead();
      if (!jack_ || !jack_->alive()) {
        jack_.reset();
        jack_ = JackClient::open(jackName_, [watch = watch_] {
          logLine("JACK server gone");
          watch->tell();
        });
      }
      for (auto& entry : portEntries(jack_)) entries.push_back(std::move(entry));
    } catch (...) {
      // A backend that fails while listing contributes nothing.
    }
  }
};

/// The list of the machine, told when a JACK server goes away.
class SystemDevices : public DeviceList {
 public:
  SystemDevices(std::shared_ptr<Watch> watch, const std::string& jackName)
      : DeviceList(Gatherer(watch, jackName)), watch_(std::move(watch)) {}
  void watchServers(std::function<void()> lost) override { watch_->set(std::move(lost)); }

 private:
  std::shared_ptr<Watch> watch_;
};

}  // namespace

std::unique_ptr<Devices> makeSystemDevices(const std::string& jackName) {
  // No backend may start a JACK server of its own (FluidSynth's JACK driver would).
  setenv("JACK_NO_START_SERVER", "1", 0);
  return std::make_unique<SystemDevices>(std::make_shared<Watch>(), jackName);
}

}  // namespace midi

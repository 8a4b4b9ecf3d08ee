#include "midi/System.h"

#include <cstdlib>

#include "midi/DeviceList.h"
#include "midi/Log.h"
#include "midi/RtPorts.h"
#include "midi/Synth.h"

namespace midi {

std::unique_ptr<Devices> makeSystemDevices() {
  // No backend may start a JACK server of its own (FluidSynth's JACK driver would).
  setenv("JACK_NO_START_SERVER", "1", 0);
  std::vector<DeviceEntry> entries;
  try {
    if (auto synth = synthEntry(SynthOptions::fromEnvironment())) entries.push_back(*synth);
  } catch (...) {
  }
  try {
    for (auto& entry : rtMidiEntries()) entries.push_back(std::move(entry));
  } catch (...) {
    // A backend that fails while listing contributes nothing.
  }
  for (std::size_t i = 0; i < entries.size(); ++i)
    logLine("device %zu: %s", i, entries[i].name.c_str());
  return std::make_unique<DeviceList>(std::move(entries));
}

}  // namespace midi

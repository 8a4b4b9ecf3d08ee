#include "midi/System.h"

#include <cstdlib>
#include <future>

#include "midi/DeviceList.h"
#include "midi/JackClient.h"
#include "midi/Log.h"
#include "midi/RtPorts.h"
#include "midi/Synth.h"

namespace midi {
namespace {

std::vector<DeviceEntry> gather() {
  std::vector<DeviceEntry> entries;
  try {
    if (auto synth = synthEntry(SynthOptions::fromEnvironment())) entries.push_back(*synth);
  } catch (...) {
  }
  try {
    // The one JACK client, kept for the ports: opened once, listing included.
    for (auto& entry : portEntries(JackClient::open())) entries.push_back(std::move(entry));
  } catch (...) {
    // A backend that fails while listing contributes nothing.
  }
  for (std::size_t i = 0; i < entries.size(); ++i)
    logLine("device %zu: %s", i, entries[i].name.c_str());
  return entries;
}

}  // namespace

std::unique_ptr<Devices> makeSystemDevices() {
  // No backend may start a JACK server of its own (FluidSynth's JACK driver would).
  setenv("JACK_NO_START_SERVER", "1", 0);
  // Gathered beside the window's construction: talking to JACK takes tens of milliseconds.
  return std::make_unique<DeviceList>(std::async(std::launch::async, &gather));
}

}  // namespace midi

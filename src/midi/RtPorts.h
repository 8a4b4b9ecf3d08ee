// Output devices through RtMidi: Korvane's own virtual port and the inputs of other programs.
#pragma once

#include <vector>

#include "midi/DeviceList.h"

namespace midi {

/// The virtual port "Korvane" (on JACK and ALSA, where available), then every MIDI input port
/// of other programs on JACK and on the ALSA sequencer. Systems that are not running add nothing.
std::vector<DeviceEntry> rtMidiEntries();

/// True when a JACK server is reachable; never starts one and prints nothing.
bool jackRunning();

}  // namespace midi

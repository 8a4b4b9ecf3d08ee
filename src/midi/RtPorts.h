// Output devices of other programs: Korvane's own virtual port and the inputs of other programs,
// on JACK through Korvane's JACK client and on the ALSA sequencer through RtMidi.
#pragma once

#include <memory>
#include <vector>

#include "midi/DeviceList.h"

namespace midi {

class JackClient;

/// The virtual port "Korvane" (on JACK and ALSA, where available), then every MIDI input port
/// of other programs on JACK and on the ALSA sequencer. jack: the JACK client, null when no
/// server runs. Systems that are not running add nothing.
std::vector<DeviceEntry> portEntries(const std::shared_ptr<JackClient>& jack);

}  // namespace midi

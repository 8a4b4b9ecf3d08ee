// Korvane's one JACK client, shared by the MIDI ports and the synthesizer's audio.
#pragma once

#include <memory>

#include "midi/AudioOut.h"
#include "midi/JackClient.h"

namespace midi {

/// The client "Korvane": the live one, or a new one on the running server; null when none runs
/// or the name is taken. Any thread.
std::shared_ptr<JackClient> sharedJackClient();

/// The synthesizer's stream on client: its ports synth_L and synth_R rendered in the client's
/// cycle; null when client is null.
std::unique_ptr<AudioOut> openJackAudio(std::shared_ptr<JackClient> client);

}  // namespace midi

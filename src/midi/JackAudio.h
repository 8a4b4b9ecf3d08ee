// Korvane's one JACK client, shared by the MIDI ports and the synthesizer's audio.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "midi/AudioOut.h"
#include "midi/JackClient.h"

namespace midi {

/// Names the client opened from now on (a session's client id; default "Korvane") and who is
/// told, on a thread of JACK's, when its server goes away.
void configureJackClient(std::string name, std::function<void()> lost);

/// The one client: the live one, or a new one on the running server; null when none runs
/// or the name is taken. Any thread.
std::shared_ptr<JackClient> sharedJackClient();

/// The synthesizer's stream on client: its ports synth_L and synth_R rendered in the client's
/// cycle; null when client is null.
std::unique_ptr<AudioOut> openJackAudio(std::shared_ptr<JackClient> client);

}  // namespace midi

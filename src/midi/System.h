// The machine's real output devices, in list order.
#pragma once

#include <memory>
#include <string>

#include "midi/Port.h"

namespace midi {

/// Every output device Korvane can play on; backends that are not available add nothing. The
/// first list has the built-in synthesizer only: the ports of JACK and ALSA join it on refresh()
/// or completeInBackground(). Korvane's JACK client is named jackName (a session's client id).
std::unique_ptr<Devices> makeSystemDevices(const std::string& jackName = "Korvane");

}  // namespace midi

// FluidSynth's own audio drivers in their callback form: Korvane renders into their buffers.
#pragma once

#include <memory>
#include <string>

#include "midi/AudioOut.h"

typedef struct _fluid_hashtable_t fluid_settings_t;

namespace midi {

/// A stream through FluidSynth's driver called name ("pulseaudio", "alsa", …) with settings,
/// at their synth.sample-rate, quantum frames a period; start() is false when the driver
/// cannot be created. A buffer is heard one period after its callback, and never before the
/// buffer ahead of it has played out.
std::unique_ptr<AudioOut> openFluidDriver(fluid_settings_t* settings, std::string name,
                                          std::uint32_t quantum);

}  // namespace midi

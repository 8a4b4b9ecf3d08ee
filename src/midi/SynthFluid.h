// What the synthesizer engine holds of FluidSynth and of its stream (private to the engine).
#pragma once

#include <fluidsynth.h>

#include <memory>

#include "midi/AudioOut.h"
#include "midi/Synth.h"
#include "midi/SynthQueue.h"
#include "midi/SynthRender.h"

namespace midi {

struct SynthEngine::Fluid {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  double rate = 0;  // the synthesizer's sample rate
  bool fontLoaded = false;
  std::unique_ptr<SynthQueue> queue = std::make_unique<SynthQueue>();
  std::unique_ptr<SynthRenderer> renderer;
  std::unique_ptr<AudioOut> stream;  // running while set

  ~Fluid() {
    stream.reset();
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }
};

}  // namespace midi

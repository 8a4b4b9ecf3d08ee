#include "midi/SynthRender.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace midi {
namespace {

double rateOf(fluid_synth_t* synth) {
  double rate = 44100;
  fluid_settings_getnum(fluid_synth_get_settings(synth), "synth.sample-rate", &rate);
  return rate;
}

// FluidSynth's only way to a new rate without a new synthesizer (and a new SoundFont load).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
void retune(fluid_synth_t* synth, double rate) {
  fluid_synth_set_sample_rate(synth, static_cast<float>(rate));
}
#pragma GCC diagnostic pop

// After the last voice: the reverb and chorus still ring this long.
constexpr double kTailSeconds = 2.0;

}  // namespace

void applyEvent(fluid_synth_t* synth, const SynthEvent& e) {
  if (e.size == 0) {
    fluid_synth_all_sounds_off(synth, -1);
    return;
  }
  if (e.size < 2) return;
  const int channel = e.bytes[0] & 0x0F, d1 = e.bytes[1], d2 = e.size > 2 ? e.bytes[2] : 0;
  switch (e.bytes[0] & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(synth, channel, d1);
      break;
    case 0x90:
      fluid_synth_noteon(synth, channel, d1, d2);
      break;
    case 0xA0:
      fluid_synth_key_pressure(synth, channel, d1, d2);
      break;
    case 0xB0:
      fluid_synth_cc(synth, channel, d1, d2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth, channel, d1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(synth, channel, d1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth, channel, d1 | (d2 << 7));
      break;
    default:
      break;
  }
}

void flushEffects(fluid_synth_t* synth, double rate) {
  std::array<float, 1024> left{}, right{};
  // Below half a 16-bit step for a tenth of a second.
  std::int64_t quiet = 0, frames = 0;
  while (quiet < static_cast<std::int64_t>(rate / 10) &&
         frames < static_cast<std::int64_t>(3 * rate)) {
    fluid_synth_write_float(synth, static_cast<int>(left.size()), left.data(), 0, 1, right.data(),
                            0, 1);
    float peak = 0;
    for (std::size_t i = 0; i < left.size(); ++i)
      peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    quiet = peak < 1.5e-5f ? quiet + static_cast<std::int64_t>(left.size()) : 0;
    frames += static_cast<std::int64_t>(left.size());
  }
}

void SynthRenderer::restart() {
  clock_ = StreamClock();
  quietFrames_ = 0;
}

SynthRenderer::SynthRenderer(fluid_synth_t* synth, SynthQueue& queue)
    : synth_(synth), queue_(queue), rate_(rateOf(synth)) {}

void SynthRenderer::render(const AudioBuffer& buffer, std::int64_t nowNs) {
  if (buffer.rate > 0 && std::fabs(buffer.rate - rate_) > 0.5) {
    // The stream came back at another rate: rendered at the old one, every pitch would be off.
    // Rare enough that FluidSynth's work here, off the usual real-time path, is acceptable.
    retune(synth_, buffer.rate);
    rate_ = buffer.rate;
  }
  clock_.begin(buffer, nowNs);
  leadNs_.store(std::llround(clock_.leadFrames() * 1e9 / clock_.rate()), std::memory_order_relaxed);
  std::uint32_t done = 0;
  while (done < buffer.frames) {
    std::uint32_t until = buffer.frames;
    if (const SynthEvent* e = queue_.front()) {
      if (const auto offset = clock_.offsetOf(e->atNs)) {
        if (*offset <= done) {
          applyEvent(synth_, *e);
          queue_.pop();
          quietFrames_ = 0;
          continue;
        }
        until = *offset;
      }
    }
    renderSpan(buffer, done, until - done);
    done = until;
  }
  buffers_.fetch_add(1, std::memory_order_release);
}

void SynthRenderer::renderSpan(const AudioBuffer& buffer, std::uint32_t from, std::uint32_t count) {
  const auto stride = static_cast<std::size_t>(buffer.stride);
  float* left = buffer.left + from * stride;
  float* right = buffer.right + from * stride;
  if (fluid_synth_get_active_voice_count(synth_) > 0) {
    quietFrames_ = 0;
  } else if (quietFrames_ > static_cast<std::int64_t>(kTailSeconds * clock_.rate())) {
    // Nothing sounds and nothing rings: silence costs no synthesis.
    for (std::size_t i = 0; i < count * stride; i += stride) left[i] = right[i] = 0;
    return;
  } else {
    quietFrames_ += count;
  }
  fluid_synth_write_float(synth_, static_cast<int>(count), left, 0, buffer.stride, right, 0,
                          buffer.stride);
}

}  // namespace midi

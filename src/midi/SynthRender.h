// The synthesizer's part of the audio callback: each queued message applied at its frame.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "midi/AudioOut.h"
#include "midi/StreamClock.h"
#include "midi/SynthQueue.h"

typedef struct _fluid_synth_t fluid_synth_t;

namespace midi {

/// Applies one event to synth at once: a channel message of 2–3 bytes (others are ignored), or
/// the cut (size 0): all sounds off on every channel.
void applyEvent(fluid_synth_t* synth, const SynthEvent& e);

/// Renders synth at rate into nowhere until its reverb and chorus have died out (three seconds
/// at most): what they still hold would sound at the next start. Not on a real-time thread.
void flushEffects(fluid_synth_t* synth, double rate);

/// Renders the synthesizer into the buffers of one stream. render() runs on the stream's thread
/// only; lead() and buffers() may be read from any thread.
class SynthRenderer {
 public:
  /// Renders at synth's own sample rate until a buffer comes at another one.
  SynthRenderer(fluid_synth_t* synth, SynthQueue& queue);

  /// Fills buffer: renders up to each due message's frame, applies it, renders on; a message
  /// keeps its place in the queue's order. Renders nothing (silence) while no voice sounds, the
  /// effects have died out and nothing is due. nowNs: when the stream asked.
  void render(const AudioBuffer& buffer, std::int64_t nowNs);
  /// From a message's moment to its sound at the device; zero before the first buffer.
  std::chrono::nanoseconds lead() const { return std::chrono::nanoseconds(leadNs_.load()); }
  /// Buffers rendered so far.
  std::uint64_t buffers() const { return buffers_.load(std::memory_order_acquire); }
  /// Forgets the stream's timing and makes the next buffer render: a new stream starts.
  void restart();

 private:
  void renderSpan(const AudioBuffer& buffer, std::uint32_t from, std::uint32_t count);

  fluid_synth_t* synth_;
  SynthQueue& queue_;
  double rate_;  // what synth renders at
  StreamClock clock_;
  std::int64_t quietFrames_ = 0;  // rendered since the last voice ended
  std::atomic<std::int64_t> leadNs_{0};
  std::atomic<std::uint64_t> buffers_{0};
};

}  // namespace midi

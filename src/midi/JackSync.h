// What Korvane follows on JACK, read in every cycle of its client: the transport and the MIDI
// clock input.
#pragma once

#include <jack/ringbuffer.h>
#include <jack/types.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "midi/FrameClock.h"

namespace midi {

/// The transport as one cycle saw it.
struct Transport {
  bool rolling = false;
  bool bbt = false;           ///< a timebase master gives bar, beat and tempo
  std::uint32_t frame = 0;    ///< transport frame at the cycle's start
  std::int64_t steadyNs = 0;  ///< when the cycle's first frame plays, on the steady clock
  double rate = 48000;        ///< frames per second
  double beat = 0;            ///< bbt: quarter notes since bar 1 beat 1 at the cycle's start
  double tempo = 0;           ///< bbt: quarter notes per minute
};

/// One message of the clock input, stamped with the steady moment its frame plays.
struct InputMessage {
  std::int64_t steadyNs = 0;
  std::uint8_t size = 0;
  std::uint8_t bytes[3] = {};
};

/// Quarter notes since bar 1 beat 1, from JACK's bar/beat/tick (beats of beatType, bars of
/// beatsPerBar); nullopt for fields no master could mean (a bar below 1, no ticks per beat).
std::optional<double> quarterNotesOf(int bar, int beat, int tick, double ticksPerBeat,
                                     double beatsPerBar, double beatType);

/// The beat of each cycle's transport frame: the master's bar/beat/tick is taken where the
/// transport starts, is relocated or changes tempo, and counted on by frames at its tempo from
/// there. A master that rounds its ticks every cycle (jack_transport does) would otherwise drift
/// off its own frames by a beat in a minute. Cycles this client missed (an xrun) are no jump:
/// the transport moved as far as JACK's frame counter did; nor is a rolling transport a few
/// periods off it (a late client's reading).
class BeatAnchor {
 public:
  /// The beat at transport frame frame of the cycle starting at JACK frame start (JACK's frame
  /// counter, wrapping); bbtBeat and tempo (quarter notes, per minute) as the master says them.
  double beatAt(std::uint32_t start, std::uint32_t frame, bool rolling, double bbtBeat,
                double tempo, double rate);

 private:
  bool have_ = false;
  bool rolled_ = false;      // the last cycle seen was rolling
  std::uint32_t frame_ = 0;  // transport frame of the anchor
  std::uint32_t lastStart_ = 0, lastFrame_ = 0;
  double beat_ = 0, tempo_ = 0;
};

/// Shared between the process thread (cycle) and the readers; never blocks the process thread.
class JackSync {
 public:
  JackSync();
  ~JackSync();
  JackSync(const JackSync&) = delete;
  JackSync& operator=(const JackSync&) = delete;

  /// Process thread: the transport and the clock input of the cycle starting at frame start.
  void cycle(jack_client_t* client, std::uint32_t frames, std::uint32_t start,
             const FrameClock& clock);
  /// The transport of the last cycle; nullopt before the first.
  std::optional<Transport> transport() const;
  /// The port cycle() reads the clock input from (null: none).
  void setInput(jack_port_t* port) { input_.store(port, std::memory_order_release); }
  jack_port_t* input() const { return input_.load(std::memory_order_acquire); }
  /// Takes up to max messages of the clock input, oldest first; the count taken.
  std::size_t takeInput(InputMessage* out, std::size_t max);

 private:
  mutable std::mutex lock_;  // the process thread only tries it
  std::optional<Transport> transport_;
  BeatAnchor anchor_;  // process thread only
  std::atomic<jack_port_t*> input_{nullptr};
  jack_ringbuffer_t* ring_;
};

}  // namespace midi

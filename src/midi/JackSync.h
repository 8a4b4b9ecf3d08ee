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
  std::atomic<jack_port_t*> input_{nullptr};
  jack_ringbuffer_t* ring_;
};

}  // namespace midi

#include "midi/JackSync.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/transport.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>

#include "midi/JackAudio.h"
#include "midi/JackClient.h"

namespace midi {
namespace {

// A rolling transport this far from where JACK's frame counter led it was relocated.
constexpr double kJumpSeconds = 0.05;
constexpr std::size_t kInputItems = 4096;  // minutes of clock at any tempo a reader lags by
const char* const kClockInput = "clock_in";

/// The messages a clock input carries: pulses, Start, Continue, Stop, the song position.
bool clockMessage(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return false;
  switch (bytes[0]) {
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
      return true;
    case 0xF2:
      return size == 3;
    default:
      return false;
  }
}

}  // namespace

std::optional<double> quarterNotesOf(int bar, int beat, int tick, double ticksPerBeat,
                                     double beatsPerBar, double beatType) {
  if (bar < 1 || beat < 1 || tick < 0 || !(ticksPerBeat > 0) || !(beatsPerBar > 0) ||
      !(beatType > 0))
    return std::nullopt;
  const double beats = (bar - 1) * beatsPerBar + (beat - 1) + tick / ticksPerBeat;
  return beats * 4 / beatType;
}

double BeatAnchor::beatAt(std::uint32_t start, std::uint32_t frame, bool rolling, double bbtBeat,
                          double tempo, double rate) {
  // Rolling, the transport moves with the frame counter (wrapping alike); stopped, it stands.
  // A client woken late may read the counter of the next cycle beside this cycle's transport
  // (jack2 does so under load): a rolling transport off by less than kJumpSeconds moved on.
  const std::uint32_t expect = rolled_ ? lastFrame_ + (start - lastStart_) : lastFrame_;
  const double off = std::abs(static_cast<double>(static_cast<std::int32_t>(frame - expect)));
  const bool jumped = rolled_ ? off > kJumpSeconds * rate : frame != expect;
  if (!have_ || jumped || tempo != tempo_) {
    have_ = true;
    frame_ = frame;
    beat_ = bbtBeat;
    tempo_ = tempo;
  }
  rolled_ = rolling;
  lastStart_ = start;
  lastFrame_ = frame;
  const auto since = static_cast<std::int32_t>(frame - frame_);
  return beat_ + since / rate * tempo / 60;
}

JackSync::JackSync() : ring_(jack_ringbuffer_create(kInputItems * sizeof(InputMessage))) {}

JackSync::~JackSync() {
  jack_ringbuffer_free(ring_);
}

void JackSync::cycle(jack_client_t* client, std::uint32_t frames, std::uint32_t start,
                     const FrameClock& clock) {
  if (jack_port_t* port = input()) {
    void* buffer = jack_port_get_buffer(port, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) != 0) continue;
      if (!clockMessage(event.buffer, event.size)) continue;
      InputMessage m;
      m.steadyNs = clock.momentAt(start + event.time);
      m.size = static_cast<std::uint8_t>(std::min<std::size_t>(event.size, 3));
      std::copy(event.buffer, event.buffer + m.size, m.bytes);
      if (jack_ringbuffer_write_space(ring_) >= sizeof m)
        jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(&m), sizeof m);
    }
  }
  jack_position_t pos;
  const jack_transport_state_t state = jack_transport_query(client, &pos);
  Transport t;
  t.rolling = state == JackTransportRolling;
  t.frame = pos.frame;
  t.steadyNs = clock.momentAt(start);
  t.rate = pos.frame_rate > 0 ? pos.frame_rate : clock.rate();
  if ((pos.valid & JackPositionBBT) && pos.beats_per_minute > 0) {
    const auto beat = quarterNotesOf(pos.bar, pos.beat, pos.tick, pos.ticks_per_beat,
                                     pos.beats_per_bar, pos.beat_type);
    if (beat) {
      t.bbt = true;
      t.tempo = pos.beats_per_minute * 4 / pos.beat_type;
      t.beat = anchor_.beatAt(start, pos.frame, t.rolling, *beat, t.tempo, t.rate);
    }
  }
  // Never waits: a reader holding the lock only makes this cycle's reading wait for the next.
  if (lock_.try_lock()) {
    transport_ = t;
    lock_.unlock();
  }
}

std::optional<Transport> JackSync::transport() const {
  std::lock_guard lock(lock_);
  return transport_;
}

std::size_t JackSync::takeInput(InputMessage* out, std::size_t max) {
  std::size_t n = 0;
  while (n < max && jack_ringbuffer_read_space(ring_) >= sizeof *out) {
    jack_ringbuffer_read(ring_, reinterpret_cast<char*>(out + n), sizeof *out);
    ++n;
  }
  return n;
}

std::shared_ptr<JackClient> JackClient::shared() {
  return sharedJackClient();
}

std::vector<std::string> JackClient::outputPorts() {
  return otherPorts(JackPortIsOutput);
}

bool JackClient::listenClock(const std::string& source) {
  if (!activate()) return false;
  jack_port_t* port = sync_.input();
  if (port == nullptr) {
    port = jack_port_register(client_, kClockInput, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (port == nullptr) return false;
    sync_.setInput(port);
  }
  jack_port_disconnect(client_, port);
  return source.empty() || jack_connect(client_, source.c_str(), jack_port_name(port)) == 0;
}

void JackClient::stopListening() {
  if (jack_port_t* port = sync_.input(); port && alive_) jack_port_disconnect(client_, port);
}

}  // namespace midi

// MIDI clock in as the note clock follows it: Korvane's own clock source (ksync::MidiClock,
// listening on Korvane:clock_in) asked every 2 ms for the tempo, and beside it a receiver of
// this program's own stamping the same pulses. Prints, one line at a time:
//   est <steady s> <tempo> <beat> <running 0|1>   each answer of the source
//   pulse <steady s> <frame>                       each pulse at the receiver: its frame, and
//                                                  the steady moment of it from the cycle's
//                                                  wake-up
// Usage: ClockInProbe SOURCE SECONDS   (SOURCE: part of the clock's JACK output port name)
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "sync/MidiClock.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point t) {
  return std::chrono::duration<double>(t.time_since_epoch()).count();
}

struct Receiver {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  struct Pulse {
    double at;
    jack_nframes_t frame;
  };
  jack_ringbuffer_t* ring = jack_ringbuffer_create(sizeof(Pulse) * 65536);

  static int process(jack_nframes_t frames, void* self) {
    auto& r = *static_cast<Receiver*>(self);
    const double now = seconds(Clock::now());
    const double rate = jack_get_sample_rate(r.client);
    const jack_nframes_t start = jack_last_frame_time(r.client);
    void* buffer = jack_port_get_buffer(r.port, frames);
    for (std::uint32_t i = 0, n = jack_midi_get_event_count(buffer); i < n; ++i) {
      jack_midi_event_t e;
      if (jack_midi_event_get(&e, buffer, i) != 0 || e.size != 1 || e.buffer[0] != 0xF8) continue;
      const Pulse p{now + e.time / rate, start + e.time};
      if (jack_ringbuffer_write_space(r.ring) >= sizeof p)
        jack_ringbuffer_write(r.ring, reinterpret_cast<const char*>(&p), sizeof p);
    }
    return 0;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ClockInProbe SOURCE SECONDS\n");
    return 2;
  }
  const std::string source = argv[1];
  const double length = std::stod(argv[2]);
  auto clock = ksync::MidiClock::open(source);
  if (!clock) {
    std::fprintf(stderr, "ClockInProbe: no clock input matching \"%s\"\n", source.c_str());
    return 1;
  }
  Receiver r;
  r.client = jack_client_open("clock_in_probe", JackNoStartServer, nullptr);
  if (r.client == nullptr) return 1;
  r.port = jack_port_register(r.client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(r.client, &Receiver::process, &r);
  if (r.port == nullptr || jack_activate(r.client) != 0 ||
      jack_connect(r.client, clock->input().c_str(), jack_port_name(r.port)) != 0) {
    std::fprintf(stderr, "ClockInProbe: cannot listen to %s\n", clock->input().c_str());
    return 1;
  }
  std::printf("# listening to %s\n", clock->input().c_str());
  const auto end = Clock::now() + std::chrono::duration<double>(length);
  while (Clock::now() < end) {
    const auto now = Clock::now();
    if (const auto beat = clock->at(now))
      std::printf("est %.6f %.4f %.4f %d\n", seconds(now), beat->tempo, beat->beat,
                  beat->running ? 1 : 0);
    Receiver::Pulse p;
    while (jack_ringbuffer_read_space(r.ring) >= sizeof p) {
      jack_ringbuffer_read(r.ring, reinterpret_cast<char*>(&p), sizeof p);
      std::printf("pulse %.6f %lu\n", p.at, static_cast<unsigned long>(p.frame));
    }
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  jack_client_close(r.client);
  jack_ringbuffer_free(r.ring);
  clock.reset();
  return 0;
}

// Captures MIDI on a JACK input port and prints one line per message:
//   <seconds on the monotonic clock, 6 decimals> <bytes in hex>   e.g. "1234.567890 90 3c 64"
// The time is the message's own frame in its cycle, on JACK's clock (jack2: CLOCK_MONOTONIC_RAW).
// Lines starting with "#" are notes of the tool itself ("# ready <full port name>").
// With --frames, the first field is the message's JACK frame instead (an integer): spacing in
// frames, free of the server's time estimate, which wanders after an xrun.
// Usage: midi_capture [client-name] [--frames | --transport]   (default "midi_capture"); ends on
// SIGTERM or SIGINT. With --transport the time is the message's frame on the JACK transport (the
// transport frame of its cycle plus its offset in it), and wherever the transport starts, is
// relocated or changes tempo a line "# transport frame F beat B bpm T rate R" gives the master's
// beat there (B: quarter notes since bar 1 beat 1; "beat -" without a timebase master).
//
// libjack directly: the process callback only copies events into a ring buffer; the main thread
// prints them, so a slow terminal or a loaded machine never makes the capture miss a cycle.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <jack/transport.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

std::atomic<bool> stop{false};
std::atomic<unsigned> dropped{0};

struct Event {
  jack_time_t micros;  // or, with --frames or --transport, the frame
  std::uint32_t size;  // 0: a transport line
  unsigned char bytes[16];
  double beat, bpm, rate;  // a transport line; beat < 0 without a master
};

struct Capture {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  jack_ringbuffer_t* ring = nullptr;
  bool transport = false;
  bool frames = false;
  bool rolled = false;  // the last cycle's transport was rolling
  jack_nframes_t lastStart = 0, lastFrame = 0;
  double bpm = 0;
};

void put(Capture* cap, const Event& ev) {
  if (jack_ringbuffer_write_space(cap->ring) < sizeof ev) {
    dropped.fetch_add(1);
    return;
  }
  jack_ringbuffer_write(cap->ring, reinterpret_cast<const char*>(&ev), sizeof ev);
}

/// The transport of this cycle: a line where it starts, jumps or changes tempo; its frame.
/// Rolling on through cycles this client missed is no jump: the transport moved as far as JACK's
/// frame counter did (the same rule as Korvane's own).
jack_nframes_t transportFrame(Capture* cap, jack_nframes_t start) {
  jack_position_t pos;
  const bool rolling = jack_transport_query(cap->client, &pos) == JackTransportRolling;
  const bool bbt = (pos.valid & JackPositionBBT) && pos.beats_per_minute > 0 &&
                   pos.ticks_per_beat > 0 && pos.beat_type > 0;
  const double bpm = bbt ? pos.beats_per_minute * 4 / pos.beat_type : 0;
  // A client woken late may read the counter of the next cycle beside this cycle's transport:
  // a rolling transport less than 50 ms off where the counter led it rolled on.
  const auto off =
      static_cast<std::int32_t>(pos.frame - (cap->lastFrame + (start - cap->lastStart)));
  const bool jumped = std::abs(off) > static_cast<std::int32_t>(pos.frame_rate / 20);
  if (rolling && (!cap->rolled || jumped || bpm != cap->bpm)) {
    Event ev{pos.frame, 0, {}, -1, bpm, static_cast<double>(pos.frame_rate)};
    if (bbt)
      ev.beat =
          ((pos.bar - 1) * pos.beats_per_bar + (pos.beat - 1) + pos.tick / pos.ticks_per_beat) * 4 /
          pos.beat_type;
    put(cap, ev);
  }
  cap->rolled = rolling;
  cap->bpm = bpm;
  cap->lastStart = start;
  cap->lastFrame = pos.frame;
  return pos.frame;
}

void onSignal(int) {
  stop = true;
}

int process(jack_nframes_t frames, void* arg) {
  auto* cap = static_cast<Capture*>(arg);
  void* buffer = jack_port_get_buffer(cap->port, frames);
  const jack_nframes_t start = jack_last_frame_time(cap->client);
  const jack_nframes_t transport = cap->transport ? transportFrame(cap, start) : 0;
  const std::uint32_t count = jack_midi_get_event_count(buffer);
  for (std::uint32_t i = 0; i < count; ++i) {
    jack_midi_event_t in;
    if (jack_midi_event_get(&in, buffer, i) != 0 || in.size == 0) continue;
    Event ev{cap->transport ? transport + in.time
             : cap->frames  ? start + in.time
                            : jack_frames_to_time(cap->client, start + in.time),
             0,
             {},
             0,
             0,
             0};
    ev.size = static_cast<std::uint32_t>(in.size < sizeof ev.bytes ? in.size : sizeof ev.bytes);
    for (std::uint32_t b = 0; b < ev.size; ++b) ev.bytes[b] = in.buffer[b];
    put(cap, ev);
  }
  return 0;
}

void printAll(jack_ringbuffer_t* ring, bool inFrames) {
  Event ev;
  while (jack_ringbuffer_read_space(ring) >= sizeof ev) {
    jack_ringbuffer_read(ring, reinterpret_cast<char*>(&ev), sizeof ev);
    const auto at = static_cast<unsigned long long>(ev.micros);
    if (ev.size == 0) {
      std::printf("# transport frame %llu", at);
      if (ev.beat < 0)
        std::printf(" beat - bpm - rate %.0f\n", ev.rate);
      else
        std::printf(" beat %.9f bpm %.9f rate %.0f\n", ev.beat, ev.bpm, ev.rate);
      continue;
    }
    if (inFrames)
      std::printf("%llu", at);
    else
      std::printf("%llu.%06llu", at / 1000000, at % 1000000);
    for (std::uint32_t b = 0; b < ev.size; ++b) std::printf(" %02x", ev.bytes[b]);
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::string name = "midi_capture";
  Capture cap;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--transport")
      cap.transport = true;
    else if (std::string(argv[i]) == "--frames")
      cap.frames = true;
    else
      name = argv[i];
  }
  std::signal(SIGTERM, onSignal);
  std::signal(SIGINT, onSignal);
  jack_status_t status{};
  cap.client = jack_client_open(name.c_str(), JackNoStartServer, &status);
  if (cap.client == nullptr) {
    std::fprintf(stderr, "midi_capture: no JACK server (status 0x%x)\n", status);
    return 1;
  }
  cap.ring = jack_ringbuffer_create(sizeof(Event) * 65536);
  cap.port = jack_port_register(cap.client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(cap.client, &process, &cap);
  if (cap.port == nullptr || jack_activate(cap.client) != 0) {
    std::fprintf(stderr, "midi_capture: cannot open the port\n");
    return 1;
  }
  std::printf("# ready %s\n", jack_port_name(cap.port));
  std::fflush(stdout);
  while (!stop) {
    printAll(cap.ring, cap.transport || cap.frames);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  jack_deactivate(cap.client);
  printAll(cap.ring, cap.transport || cap.frames);
  if (dropped) std::fprintf(stderr, "midi_capture: %u messages dropped\n", dropped.load());
  jack_client_close(cap.client);
  jack_ringbuffer_free(cap.ring);
  return 0;
}

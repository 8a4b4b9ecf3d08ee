// Captures MIDI on a JACK input port and prints one line per message:
//   <seconds on the monotonic clock, 6 decimals> <bytes in hex>   e.g. "1234.567890 90 3c 64"
// The time is the message's own frame in its cycle, on JACK's clock (jack2: CLOCK_MONOTONIC_RAW).
// With --frames, the first field is the message's JACK frame instead (an integer): spacing in
// frames, free of the server's time estimate, which wanders after an xrun.
// Lines starting with "#" are notes of the tool itself ("# ready <full port name>").
// Usage: midi_capture [--frames] [client-name]   (default "midi_capture"); ends on SIGTERM or
// SIGINT.
//
// libjack directly: the process callback only copies events into a ring buffer; the main thread
// prints them, so a slow terminal or a loaded machine never makes the capture miss a cycle.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

namespace {

std::atomic<bool> stop{false};
std::atomic<unsigned> dropped{0};
bool printFrames = false;

struct Event {
  jack_time_t micros;
  jack_nframes_t frame;
  std::uint32_t size;
  unsigned char bytes[16];
};

struct Capture {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  jack_ringbuffer_t* ring = nullptr;
};

void onSignal(int) {
  stop = true;
}

int process(jack_nframes_t frames, void* arg) {
  auto* cap = static_cast<Capture*>(arg);
  void* buffer = jack_port_get_buffer(cap->port, frames);
  const jack_nframes_t start = jack_last_frame_time(cap->client);
  const std::uint32_t count = jack_midi_get_event_count(buffer);
  for (std::uint32_t i = 0; i < count; ++i) {
    jack_midi_event_t in;
    if (jack_midi_event_get(&in, buffer, i) != 0) continue;
    Event ev{jack_frames_to_time(cap->client, start + in.time), start + in.time, 0, {}};
    ev.size = static_cast<std::uint32_t>(in.size < sizeof ev.bytes ? in.size : sizeof ev.bytes);
    for (std::uint32_t b = 0; b < ev.size; ++b) ev.bytes[b] = in.buffer[b];
    if (jack_ringbuffer_write_space(cap->ring) < sizeof ev) {
      dropped.fetch_add(1);
      continue;
    }
    jack_ringbuffer_write(cap->ring, reinterpret_cast<const char*>(&ev), sizeof ev);
  }
  return 0;
}

void printAll(jack_ringbuffer_t* ring) {
  Event ev;
  while (jack_ringbuffer_read_space(ring) >= sizeof ev) {
    jack_ringbuffer_read(ring, reinterpret_cast<char*>(&ev), sizeof ev);
    if (printFrames)
      std::printf("%lu", static_cast<unsigned long>(ev.frame));
    else
      std::printf("%llu.%06llu", static_cast<unsigned long long>(ev.micros / 1000000),
                  static_cast<unsigned long long>(ev.micros % 1000000));
    for (std::uint32_t b = 0; b < ev.size; ++b) std::printf(" %02x", ev.bytes[b]);
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int arg = 1;
  if (argc > arg && std::string(argv[arg]) == "--frames") {
    printFrames = true;
    ++arg;
  }
  const std::string name = argc > arg ? argv[arg] : "midi_capture";
  std::signal(SIGTERM, onSignal);
  std::signal(SIGINT, onSignal);
  Capture cap;
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
    printAll(cap.ring);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  jack_deactivate(cap.client);
  printAll(cap.ring);
  if (dropped) std::fprintf(stderr, "midi_capture: %u messages dropped\n", dropped.load());
  jack_client_close(cap.client);
  jack_ringbuffer_free(cap.ring);
  return 0;
}

// Captures MIDI on a JACK input port and prints one line per message:
//   <seconds on the monotonic clock, 6 decimals> <bytes in hex>   e.g. "1234.567890 90 3c 64"
// Lines starting with "#" are notes of the tool itself ("# ready <full port name>").
// Usage: midi_capture [client-name]   (default "midi_capture"); ends on SIGTERM or SIGINT.
// Reads the port with libjack and prints outside the process thread: a receiver that prints
// while it processes finishes late when the server is pressed, and then reads the sender's buffer
// while that is being written again (a cycle's later event showed the first event's bytes).
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

namespace {

std::atomic<bool> stop{false};
jack_port_t* input = nullptr;

void onSignal(int) {
  stop = true;
}

double monotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

/// One message as it arrived; longer ones (SysEx) are cut to the bytes kept.
struct Arrival {
  double seconds;
  std::uint8_t size;
  std::uint8_t bytes[23];
};
jack_ringbuffer_t* arrivals = nullptr;

int process(jack_nframes_t frames, void*) {
  void* buffer = jack_port_get_buffer(input, frames);
  const double now = monotonicSeconds();
  for (std::uint32_t i = 0, n = jack_midi_get_event_count(buffer); i < n; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) != 0) continue;
    Arrival a{now, static_cast<std::uint8_t>(std::min<std::size_t>(event.size, 23)), {}};
    std::memcpy(a.bytes, event.buffer, a.size);
    if (jack_ringbuffer_write_space(arrivals) >= sizeof a)
      jack_ringbuffer_write(arrivals, reinterpret_cast<const char*>(&a), sizeof a);
  }
  return 0;
}

void printArrivals() {
  Arrival a;
  while (jack_ringbuffer_read_space(arrivals) >= sizeof a) {
    jack_ringbuffer_read(arrivals, reinterpret_cast<char*>(&a), sizeof a);
    std::printf("%.6f", a.seconds);
    for (std::size_t b = 0; b < a.size; ++b) std::printf(" %02x", a.bytes[b]);
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string client = argc > 1 ? argv[1] : "midi_capture";
  std::signal(SIGTERM, onSignal);
  std::signal(SIGINT, onSignal);
  jack_client_t* jack = jack_client_open(client.c_str(), JackNoStartServer, nullptr);
  if (jack == nullptr) {
    std::fprintf(stderr, "midi_capture: no JACK server\n");
    return 1;
  }
  arrivals = jack_ringbuffer_create(1 << 20);
  input = jack_port_register(jack, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  if (input == nullptr || jack_set_process_callback(jack, &process, nullptr) != 0 ||
      jack_activate(jack) != 0) {
    std::fprintf(stderr, "midi_capture: cannot open the input port\n");
    jack_client_close(jack);
    return 1;
  }
  std::printf("# ready %s\n", jack_port_name(input));
  std::fflush(stdout);
  while (!stop) {
    printArrivals();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  jack_client_close(jack);
  printArrivals();
  return 0;
}

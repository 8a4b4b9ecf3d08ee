// Joins the Link session through Korvane's Link source and prints what it follows, one line at a
// time (flushed), so that the source can be tried against other peers without the window:
//   state t=<steady s> tempo=<bpm> beat=<beat, bar of 4> peers=<n> playing=<0|1>  every 50 ms
//   note <steady µs> <ms off the grid> <beat in the bar>    a note-on at its input "in" (--jack)
//   click <steady µs> <ms off the beat> <beat in the bar> <high|low>   a metronome click at its
//                                        input "clicks" (--jack); high: the bar's first beat
// A frame's moment is when its cycle ran, smoothed over the cycles (midi::FrameClock), not
// jack_frames_to_time(): after a stall of the server jack2's own estimate swings for seconds,
// tens of milliseconds off the cycles it times.
// Lines starting with "#" are notes of the tool itself. Standard input takes "tempo <bpm>" (a
// tempo proposed to the session) and "quit".
// Options: --tempo BPM   the tempo to open with (120)
//          --jack        the JACK ports above, on the running server
//          --notes EVERY strike a note on Korvane's JACK port "Korvane:out" every EVERY beats of
//                        the session's grid while it plays, the way the window's clock does
//          --grid BEATS  the grid arriving notes are measured against (--notes's, or 1)
//          --latency PORT  an audio port whose playback latency its clicks were put ahead by
// Link talks to every network interface: the tool refuses to run unless loopback is the only one.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <net/if.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "midi/FrameClock.h"
#include "midi/JackClient.h"
#include "sync/Link.h"

namespace {

using namespace std::chrono;

std::atomic<bool> quit{false};

void onSignal(int) {
  quit = true;
}

bool onlyLoopback() {
  struct if_nameindex* names = if_nameindex();
  if (names == nullptr) return false;
  bool only = true;
  for (auto* n = names; n->if_index != 0; ++n) only = only && std::strcmp(n->if_name, "lo") == 0;
  if_freenameindex(names);
  return only;
}

/// What arrives at the receiving ports, stamped with its frame.
struct Stamp {
  jack_nframes_t frame;
  char kind;                  // 'n' a note-on, 'c' a click
  int crossings;              // a click's zero crossings in its first 10 ms: its pitch
  std::int64_t steadyNs = 0;  // when the frame played
};

/// A JACK client receiving notes and clicks; the process callback only stamps them.
struct Receiver {
  jack_client_t* client = nullptr;
  jack_port_t* notes = nullptr;
  jack_port_t* clicks = nullptr;
  jack_ringbuffer_t* ring = jack_ringbuffer_create(sizeof(Stamp) * 4096);
  jack_nframes_t lastLoud = 0;  // clicks: an onset is a loud sample after a quiet stretch
  bool heard = false;
  Stamp click{};            // the click being listened to
  jack_nframes_t left = 0;  // its samples still to count
  bool positive = false;

  bool open() {
    client = jack_client_open("link_probe", JackNoStartServer, nullptr);
    if (client == nullptr) return false;
    notes = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    clicks = jack_port_register(client, "clicks", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, &Receiver::process, this);
    return notes && clicks && jack_activate(client) == 0;
  }
  ~Receiver() {
    if (client) jack_client_close(client);
    jack_ringbuffer_free(ring);
  }
  midi::FrameClock clock;  // process thread only
  void put(Stamp s) {
    s.steadyNs = clock.momentAt(s.frame);
    if (s.steadyNs != 0 && jack_ringbuffer_write_space(ring) >= sizeof s)
      jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&s), sizeof s);
  }
  void listen(float x, jack_nframes_t frame, jack_nframes_t quiet, jack_nframes_t window) {
    const float loud = std::fabs(x);
    if (left == 0 && loud > 0.3f && (!heard || frame - lastLoud > quiet)) {
      click = {frame, 'c', 0};
      left = window;
      positive = x > 0;
    } else if (left > 0) {
      if ((x > 0) != positive) ++click.crossings, positive = x > 0;
      if (--left == 0) put(click);
    }
    if (loud > 0.05f) lastLoud = frame, heard = true;
  }
  static int process(jack_nframes_t n, void* self) {
    auto& r = *static_cast<Receiver*>(self);
    const auto now = duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    const jack_nframes_t start = jack_last_frame_time(r.client);
    const double rate = jack_get_sample_rate(r.client);
    if (rate != r.clock.rate()) r.clock.reset(rate);
    r.clock.update(now, start);
    void* midi = jack_port_get_buffer(r.notes, n);
    for (std::uint32_t i = 0, m = jack_midi_get_event_count(midi); i < m; ++i) {
      jack_midi_event_t e;
      if (jack_midi_event_get(&e, midi, i) == 0 && e.size == 3 && (e.buffer[0] & 0xF0) == 0x90 &&
          e.buffer[2] != 0)
        r.put({start + e.time, 'n', 0});
    }
    const auto* audio = static_cast<const float*>(jack_port_get_buffer(r.clicks, n));
    const auto quiet = static_cast<jack_nframes_t>(rate * 0.03);
    const auto window = static_cast<jack_nframes_t>(rate * 0.01);
    for (jack_nframes_t i = 0; i < n; ++i) r.listen(audio[i], start + i, quiet, window);
    return 0;
  }
};

/// How far the beat lies from the nearest multiple of every, in ms at tempo.
double offGrid(double beat, double every, double tempo) {
  const double k = std::round(beat / every);
  return (beat - k * every) * 60000 / tempo;
}

/// Strikes a short note on every grid point of every beats while the session plays: each one
/// handed to the JACK client a lead ahead of its moment, as the window's clock hands its strikes.
class Striker {
 public:
  Striker(ksync::Source& link, std::shared_ptr<midi::JackClient> jack, int port, double every)
      : link_(link), jack_(std::move(jack)), port_(port), every_(every) {}

  void poll() {
    const auto now = steady_clock::now();
    const auto here = link_.at(now);
    if (!here || !here->running || here->tempo <= 0) return;
    const double next = (std::floor(here->beat / every_) + 1) * every_;
    if (next <= last_) return;
    const auto due =
        now + duration_cast<nanoseconds>(duration<double>((next - here->beat) * 60 / here->tempo));
    const auto lead = jack_->lead();
    if (due - now > lead + 10ms) return;  // not yet: the latest reading places it best
    const std::uint8_t on[3] = {0x90, 0x3c, 0x64}, off[3] = {0x80, 0x3c, 0x00};
    jack_->queue(port_, on, 3, due - lead);
    jack_->queue(port_, off, 3, due - lead + 20ms);
    last_ = next;
  }

 private:
  ksync::Source& link_;
  std::shared_ptr<midi::JackClient> jack_;
  int port_;
  double every_;
  double last_ = -1e300;
};

struct Options {
  double tempo = 120;
  bool jack = false;
  double every = 0;  // 0: no notes
  double grid = 0;   // what arriving notes are measured against; 0: every, or 1
  std::string latencyPort;
};

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool more = i + 1 < argc;
    if (a == "--tempo" && more)
      o.tempo = std::atof(argv[++i]);
    else if (a == "--jack")
      o.jack = true;
    else if (a == "--notes" && more)
      o.every = std::atof(argv[++i]);
    else if (a == "--grid" && more)
      o.grid = std::atof(argv[++i]);
    else if (a == "--latency" && more)
      o.latencyPort = argv[++i];
    else
      return false;
  }
  if (o.grid <= 0) o.grid = o.every > 0 ? o.every : 1;
  return o.tempo > 0 && o.every >= 0;
}

// On its own thread: the source takes proposals while the main thread reads it.
void readCommands(ksync::Source& link) {
  std::string word;
  while (std::cin >> word) {
    double tempo = 0;
    if (word == "quit") quit = true;
    if (word == "tempo" && std::cin >> tempo) link.proposeTempo(tempo);
  }
}

/// Prints what the receiver stamped: its moment and how far it lies off the session's grid.
void report(Receiver& r, ksync::Source& link, double every, jack_nframes_t latency) {
  const double rate = jack_get_sample_rate(r.client);
  Stamp s;
  while (jack_ringbuffer_read_space(r.ring) >= sizeof s) {
    jack_ringbuffer_read(r.ring, reinterpret_cast<char*>(&s), sizeof s);
    // A click was put ahead by its port's latency: it is meant for that much later.
    const auto meant = steady_clock::time_point(
        nanoseconds(s.steadyNs + (s.kind == 'c' ? std::llround(latency * 1e9 / rate) : 0)));
    const auto b = link.at(meant);
    if (!b) continue;
    const auto inBar = (static_cast<long long>(std::round(b->beat)) % 4 + 4) % 4;
    const auto off = offGrid(b->beat, s.kind == 'c' ? 1 : every, b->tempo);
    const auto micro = static_cast<unsigned long long>(
        duration_cast<microseconds>(meant.time_since_epoch()).count());
    // A metronome's first beat of the bar is its high tone (about 1.6 kHz against 1.1 kHz).
    if (s.kind == 'c')
      std::printf("click %llu %.3f %lld %s\n", micro, off, inBar,
                  s.crossings > 27 ? "high" : "low");
    else
      std::printf("note %llu %.3f %lld\n", micro, off, inBar);
  }
}

jack_nframes_t playbackLatency(jack_client_t* client, const std::string& name) {
  static jack_nframes_t told = ~0u;
  jack_port_t* port = name.empty() ? nullptr : jack_port_by_name(client, name.c_str());
  if (port == nullptr) return 0;
  jack_latency_range_t range{};
  jack_port_get_latency_range(port, JackPlaybackLatency, &range);
  if (range.max != told)
    std::printf("# %s: playback latency %u frames\n", name.c_str(), told = range.max);
  return range.max;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGTERM, onSignal);
  std::signal(SIGINT, onSignal);
  Options o;
  if (!parse(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: link_probe [--tempo BPM] [--jack] [--notes BEATS] [--grid BEATS] "
                 "[--latency PORT]\n");
    return 2;
  }
  if (!onlyLoopback()) {
    std::fprintf(stderr, "link_probe: refusing to join Link with a network interface besides lo\n");
    return 3;
  }
  Receiver receiver;
  if (o.jack && !receiver.open()) {
    std::fprintf(stderr, "link_probe: no JACK server\n");
    return 1;
  }
  std::shared_ptr<midi::JackClient> jack;
  int port = -1;
  if (o.every > 0) {
    jack = midi::JackClient::open();
    port = jack ? jack->addPort("out", o.jack ? "link_probe:in" : "") : -1;
    if (port < 0) {
      std::fprintf(stderr, "link_probe: no JACK port for the notes\n");
      return 1;
    }
  }
  auto link = ksync::openLink(o.tempo);
  std::printf("# ready\n");
  std::fflush(stdout);
  std::thread commands(readCommands, std::ref(*link));
  commands.detach();
  std::unique_ptr<Striker> striker;
  if (jack) striker = std::make_unique<Striker>(*link, jack, port, o.every);
  auto nextState = steady_clock::now();
  while (!quit) {
    if (striker) striker->poll();
    if (o.jack && jack_ringbuffer_read_space(receiver.ring) > 0)
      report(receiver, *link, o.grid, playbackLatency(receiver.client, o.latencyPort));
    if (steady_clock::now() >= nextState) {
      const auto now = steady_clock::now();
      const auto b = link->at(now);
      std::printf("state t=%.6f tempo=%.2f beat=%.4f peers=%d playing=%d\n",
                  duration<double>(now.time_since_epoch()).count(), b->tempo, b->beat,
                  link->peers(), b->running ? 1 : 0);
      std::fflush(stdout);
      nextState += 50ms;
    }
    std::this_thread::sleep_for(1ms);
  }
  return 0;
}

// A JACK client of the benchmarks that stamps each note-on arriving at its two input ports,
// "korvane" and "rtmidi", with its frame.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

/// Stamps each note-on arriving at its two ports with its frame.
struct FrameReceiver {
  jack_client_t* client = nullptr;
  jack_port_t* ports[2]{};
  std::vector<std::uint32_t> frames[2];  // preallocated
  std::atomic<std::size_t> count[2]{};

  bool open(const std::string& name, std::size_t capacity) {
    client = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
    if (!client) return false;
    const char* names[2] = {"korvane", "rtmidi"};
    for (int p = 0; p < 2; ++p) {
      ports[p] = jack_port_register(client, names[p], JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
      frames[p].resize(capacity);
    }
    jack_set_process_callback(client, &FrameReceiver::process, this);
    return jack_activate(client) == 0;
  }
  ~FrameReceiver() {
    if (client) jack_client_close(client);
  }
  /// Onsets in seconds since the first of port p.
  std::vector<double> onsets(int p) const {
    std::vector<double> t;
    const double rate = jack_get_sample_rate(client);
    for (std::size_t k = 0; k < count[p].load(); ++k)
      t.push_back(static_cast<std::uint32_t>(frames[p][k] - frames[p][0]) / rate);
    return t;
  }

  static int process(jack_nframes_t n, void* self) {
    auto& r = *static_cast<FrameReceiver*>(self);
    const jack_nframes_t start = jack_last_frame_time(r.client);
    for (int p = 0; p < 2; ++p) {
      void* buffer = jack_port_get_buffer(r.ports[p], n);
      for (std::uint32_t i = 0, m = jack_midi_get_event_count(buffer); i < m; ++i) {
        jack_midi_event_t e;
        if (jack_midi_event_get(&e, buffer, i) != 0 || e.size < 3) continue;
        if ((e.buffer[0] & 0xF0) != 0x90 || e.buffer[2] == 0) continue;
        const auto k = r.count[p].load();
        if (k < r.frames[p].size()) {
          r.frames[p][k] = start + e.time;
          r.count[p].store(k + 1);
        }
      }
    }
    return 0;
  }
};

// Records the default sink's monitor on PipeWire and prints one line per onset, the first sample
// above a threshold after a silence:
//   <seconds on the monotonic clock, 6 decimals> onset <peak of the first ms, 3 decimals>
// Each buffer is stamped with its first frame's moment from the stream's time report, so onsets
// are on the steady clock, like a press stamped by the caller.
// Lines starting with "#" are the tool's own notes ("# ready <rate>", "# level <peak>" on
// SIGUSR1, "# skip <from> <to>" for a stretch the graph skipped (an xrun: nothing was played
// there), "# buffers <n> skipped <n>" at the end).
// Usage: pw_record [threshold (0.02)] [silence before an onset, ms (30)] [--latency N/RATE]
// Ends on SIGTERM or SIGINT.
#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "midi/StreamTime.h"

namespace {

/// An onset, or (untilNs set) a stretch the graph skipped: [ns, untilNs).
struct Onset {
  std::int64_t ns;
  float peak;
  std::int64_t untilNs = 0;
};

/// Analysed on the data thread, each buffer in its own cycle (so that its time report is its
/// own); printed by the main loop, so that a slow disk never delays the graph.
struct Recorder {
  pw_main_loop* loop = nullptr;
  pw_stream* stream = nullptr;
  double rate = 48000;
  double threshold = 0.02;
  double silenceMs = 30;
  // Data thread.
  std::uint64_t quietFrames = 0;  // below the threshold since the last loud sample
  bool pending = false;           // an onset waits for its first millisecond's peak
  std::uint64_t pendingFrames = 0;
  Onset onset{};
  midi::TickWatch ticks;
  std::int64_t endNs = 0;  // where the last buffer's frames end
  // Data thread to main loop: a single-producer ring, counters.
  std::array<Onset, 1024> ring{};
  std::atomic<std::uint32_t> written{0}, read{0};
  std::atomic<std::uint64_t> buffers{0}, skipped{0}, lost{0};
  std::atomic<float> peak{0};  // since the last "# level"
  bool readyTold = false;
};

void send(Recorder& r, const Onset& o) {
  const std::uint32_t w = r.written.load(std::memory_order_relaxed);
  if (w - r.read.load(std::memory_order_acquire) >= r.ring.size()) {
    r.lost.fetch_add(1, std::memory_order_relaxed);
  } else {
    r.ring[w % r.ring.size()] = o;
    r.written.store(w + 1, std::memory_order_release);
  }
}

void push(Recorder& r) {
  send(r, r.onset);
  r.pending = false;
}

void printSeconds(std::int64_t ns) {
  std::printf("%lld.%06lld", static_cast<long long>(ns / 1'000'000'000),
              static_cast<long long>(ns % 1'000'000'000 / 1000));
}

void printAll(Recorder& r) {
  if (!r.readyTold && r.buffers.load() > 0) {
    std::printf("# ready %.0f\n", r.rate);
    r.readyTold = true;
  }
  std::uint32_t i = r.read.load(std::memory_order_relaxed);
  for (; i != r.written.load(std::memory_order_acquire); ++i) {
    const Onset& o = r.ring[i % r.ring.size()];
    if (o.untilNs != 0) {
      std::printf("# skip ");
      printSeconds(o.ns);
      std::printf(" ");
      printSeconds(o.untilNs);
      std::printf("\n");
      continue;
    }
    printSeconds(o.ns);
    std::printf(" onset %.3f\n", static_cast<double>(o.peak));
  }
  r.read.store(i, std::memory_order_release);
  std::fflush(stdout);
}

// Signals arrive through the loop (a signalfd): the handlers run on the loop's own thread.
void onSignal(void* data, int signal) {
  auto& r = *static_cast<Recorder*>(data);
  if (signal == SIGUSR1) {
    std::printf("# level %.3f\n", static_cast<double>(r.peak.exchange(0)));
    std::fflush(stdout);
    return;
  }
  pw_main_loop_quit(r.loop);
}

void analyse(Recorder& r, const float* samples, std::uint32_t frames, std::uint32_t channels,
             std::int64_t firstNs) {
  const auto gap = static_cast<std::uint64_t>(r.silenceMs * r.rate / 1000);
  const auto peakFrames = static_cast<std::uint64_t>(r.rate / 1000);
  float loudest = 0;
  for (std::uint32_t i = 0; i < frames; ++i) {
    float level = 0;
    for (std::uint32_t c = 0; c < channels; ++c)
      level = std::max(level, std::fabs(samples[i * channels + c]));
    loudest = std::max(loudest, level);
    if (r.pending) {
      r.onset.peak = std::max(r.onset.peak, level);
      if (++r.pendingFrames >= peakFrames) push(r);
    }
    if (level <= r.threshold) {
      ++r.quietFrames;
      continue;
    }
    if (r.quietFrames >= gap && !r.pending) {
      r.pending = true;
      r.pendingFrames = 0;
      r.onset = {firstNs + std::llround(i * 1e9 / r.rate), level};
    }
    r.quietFrames = 0;
  }
  if (loudest > r.peak.load(std::memory_order_relaxed))
    r.peak.store(loudest, std::memory_order_relaxed);
}

void onProcess(void* data) {
  auto& r = *static_cast<Recorder*>(data);
  pw_buffer* buffer = pw_stream_dequeue_buffer(r.stream);
  if (buffer == nullptr) return;
  const spa_data& d = buffer->buffer->datas[0];
  if (d.data != nullptr && d.chunk != nullptr) {
    pw_time time{};
    pw_stream_get_time_n(r.stream, &time, sizeof time);
    const midi::StreamTime report{time.now,        time.delay,    time.rate.num,
                                  time.rate.denom, time.buffered, 0};
    const std::uint32_t frames = d.chunk->size / (2 * sizeof(float));
    const auto* samples = static_cast<const float*>(d.data) + d.chunk->offset / sizeof(float);
    r.buffers.fetch_add(1, std::memory_order_relaxed);
    const std::int64_t firstNs = midi::capturedAtNs(report, r.rate);
    if (time.rate.num != 0 && r.ticks.skipped(time.ticks, frames)) {
      r.skipped.fetch_add(1, std::memory_order_relaxed);
      // What the graph did not play: from where the last buffer ended to this one (the other
      // way round when two buffers came in one cycle, one of them stamped a cycle off).
      send(r, {std::min(r.endNs, firstNs), 0, std::max(r.endNs, firstNs)});
    }
    analyse(r, samples, frames, 2, firstNs);
    r.endNs = firstNs + std::llround(frames * 1e9 / r.rate);
  }
  pw_stream_queue_buffer(r.stream, buffer);
}

void onFormat(void* data, std::uint32_t id, const spa_pod* param) {
  auto& r = *static_cast<Recorder*>(data);
  spa_audio_info_raw info{};
  if (param == nullptr || id != SPA_PARAM_Format) return;
  if (spa_format_audio_raw_parse(param, &info) >= 0 && info.rate > 0) r.rate = info.rate;
}

void onState(void* data, pw_stream_state, pw_stream_state state, const char* error) {
  if (state != PW_STREAM_STATE_ERROR) return;
  std::fprintf(stderr, "pw_record: %s\n", error ? error : "stream error");
  pw_main_loop_quit(static_cast<Recorder*>(data)->loop);
}

}  // namespace

int main(int argc, char** argv) {
  Recorder r;
  std::string latency;
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--latency") == 0 && i + 1 < argc) {
      latency = argv[++i];
    } else if (positional++ == 0) {
      r.threshold = std::atof(argv[i]);
    } else {
      r.silenceMs = std::atof(argv[i]);
    }
  }
  pw_init(&argc, &argv);
  r.loop = pw_main_loop_new(nullptr);
  for (int signal : {SIGTERM, SIGINT, SIGUSR1})
    pw_loop_add_signal(pw_main_loop_get_loop(r.loop), signal, onSignal, &r);

  auto* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture",
                                  PW_KEY_MEDIA_ROLE, "Production", PW_KEY_NODE_NAME, "pw_record",
                                  PW_KEY_STREAM_CAPTURE_SINK, "true", nullptr);
  // Without a latency of its own the recorder leaves the graph's quantum to the players.
  if (!latency.empty()) pw_properties_set(props, PW_KEY_NODE_LATENCY, latency.c_str());
  pw_stream_events events{};
  events.version = PW_VERSION_STREAM_EVENTS;
  events.process = onProcess;
  events.param_changed = onFormat;
  events.state_changed = onState;
  // A real-time data thread, as a player has: the recorder is not the node the graph waits for.
  auto* context =
      pw_context_new(pw_main_loop_get_loop(r.loop),
                     pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
  auto* core = context ? pw_context_connect(context, nullptr, 0) : nullptr;
  spa_hook listener{};
  if (core) r.stream = pw_stream_new(core, "pw_record", props);
  if (r.stream) pw_stream_add_listener(r.stream, &listener, &events, &r);

  std::uint8_t storage[512];
  spa_pod_builder builder{};
  spa_pod_builder_init(&builder, storage, sizeof storage);
  spa_audio_info_raw info{};
  info.format = SPA_AUDIO_FORMAT_F32;
  info.channels = 2;
  info.position[0] = SPA_AUDIO_CHANNEL_FL;
  info.position[1] = SPA_AUDIO_CHANNEL_FR;
  const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
  const auto flags = static_cast<pw_stream_flags>(
      PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
  if (r.stream == nullptr ||
      pw_stream_connect(r.stream, PW_DIRECTION_INPUT, PW_ID_ANY, flags, params, 1) < 0) {
    std::fprintf(stderr, "pw_record: cannot connect to PipeWire\n");
    return 1;
  }
  auto* printer = pw_loop_add_timer(
      pw_main_loop_get_loop(r.loop),
      [](void* self, std::uint64_t) { printAll(*static_cast<Recorder*>(self)); }, &r);
  timespec every{0, 10'000'000};
  pw_loop_update_timer(pw_main_loop_get_loop(r.loop), printer, &every, &every, false);
  pw_main_loop_run(r.loop);
  pw_stream_destroy(r.stream);
  pw_core_disconnect(core);
  pw_context_destroy(context);
  if (r.pending) push(r);
  printAll(r);
  std::printf("# buffers %llu skipped %llu lost %llu\n",
              static_cast<unsigned long long>(r.buffers.load()),
              static_cast<unsigned long long>(r.skipped.load()),
              static_cast<unsigned long long>(r.lost.load()));
  std::fflush(stdout);
  pw_main_loop_destroy(r.loop);
  pw_deinit();
  return 0;
}

// The PipeWire stream's connection, its format and its real-time process callback.
#include "midi/PipeWireOut.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>

#include "midi/Log.h"
#include "midi/StreamTime.h"

namespace midi {
namespace {

constexpr std::uint32_t kChannels = 2;
constexpr std::uint32_t kFrameBytes = kChannels * sizeof(float);
// The watch runs this often.
constexpr long kWatchNs = 250'000'000;
// How long the daemon has to answer the first round trip.
constexpr auto kAnswerTimeout = std::chrono::milliseconds(1500);

// PipeWire's interface macros cast the C way.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
int syncCore(pw_core* core) {
  return pw_core_sync(core, PW_ID_CORE, 0);
}
void listenToCore(pw_core* core, spa_hook* hook, const pw_core_events* events, void* data) {
  pw_core_add_listener(core, hook, events, data);
}
#pragma GCC diagnostic pop

void initPipeWire() {
  static std::once_flag once;
  std::call_once(once, [] {
    pw_init(nullptr, nullptr);
    // A missing daemon is an answer here, not an error for the terminal.
    if (!logging() && std::getenv("PIPEWIRE_DEBUG") == nullptr)
      pw_log_set_level(SPA_LOG_LEVEL_NONE);
  });
}

}  // namespace

const pw_core_events PipeWireOut::kCoreEvents = [] {
  pw_core_events events{};
  events.version = PW_VERSION_CORE_EVENTS;
  events.done = [](void* self, std::uint32_t id, int seq) {
    static_cast<PipeWireOut*>(self)->onCoreDone(id, seq);
  };
  events.error = [](void* self, std::uint32_t id, int, int res, const char* message) {
    static_cast<PipeWireOut*>(self)->onCoreError(id, res, message);
  };
  return events;
}();

const pw_stream_events PipeWireOut::kStreamEvents = [] {
  pw_stream_events events{};
  events.version = PW_VERSION_STREAM_EVENTS;
  events.state_changed = [](void* self, pw_stream_state old, pw_stream_state state,
                            const char* error) {
    static_cast<PipeWireOut*>(self)->onState(old, state, error);
  };
  events.param_changed = [](void* self, std::uint32_t id, const spa_pod* param) {
    static_cast<PipeWireOut*>(self)->onFormat(id, param);
  };
  events.process = [](void* self) { static_cast<PipeWireOut*>(self)->onProcess(); };
  return events;
}();

PipeWireOut::~PipeWireOut() {
  if (loop_ == nullptr) return;
  stop();
  pw_thread_loop_lock(loop_);
  closeCore();
  pw_thread_loop_unlock(loop_);
  pw_thread_loop_stop(loop_);
  if (context_) pw_context_destroy(context_);
  pw_thread_loop_destroy(loop_);
}

bool PipeWireOut::open() {
  initPipeWire();
  loop_ = pw_thread_loop_new("korvane-pipewire", nullptr);
  if (loop_ == nullptr) return false;
  context_ = pw_context_new(pw_thread_loop_get_loop(loop_),
                            pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
  if (context_ == nullptr || pw_thread_loop_start(loop_) != 0) return false;
  pw_thread_loop_lock(loop_);
  bool ok = openCore();
  if (ok) syncSeq_ = syncCore(core_);
  const auto until = std::chrono::steady_clock::now() + kAnswerTimeout;
  while (ok && !answered_ && !coreBroken_ && std::chrono::steady_clock::now() < until)
    pw_thread_loop_timed_wait(loop_, 1);
  ok = ok && answered_ && !coreBroken_;
  pw_thread_loop_unlock(loop_);
  return ok;
}

bool PipeWireOut::openCore() {
  coreBroken_ = false;
  core_ = pw_context_connect(context_, nullptr, 0);
  if (core_ == nullptr) return false;
  listenToCore(core_, &coreListener_, &kCoreEvents, this);
  return true;
}

void PipeWireOut::closeCore() {
  if (core_ == nullptr) return;
  spa_hook_remove(&coreListener_);
  pw_core_disconnect(core_);
  core_ = nullptr;
}

bool PipeWireOut::openStream() {
  const std::string latency = latencyProperty(quantum_, rate());
  auto* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback",
                                  PW_KEY_MEDIA_ROLE, "Music", PW_KEY_NODE_NAME, "Korvane",
                                  PW_KEY_APP_NAME, "Korvane", PW_KEY_NODE_DESCRIPTION, "Korvane",
                                  PW_KEY_NODE_LATENCY, latency.c_str(), nullptr);
  stream_ = pw_stream_new(core_, "Korvane", props);
  if (stream_ == nullptr) return false;
  streamFailed_ = false;
  streamed_ = false;
  unlinkedWatches_ = 0;
  pausedWatches_ = -1;
  resetTicks_.store(true);
  lastFrames_ = 0;  // no callback runs yet
  pw_stream_add_listener(stream_, &streamListener_, &kStreamEvents, this);
  // No rate: the stream takes the graph's, so nothing is resampled on the way.
  std::uint8_t storage[512];
  spa_pod_builder builder{};
  spa_pod_builder_init(&builder, storage, sizeof storage);
  spa_audio_info_raw info{};
  info.format = SPA_AUDIO_FORMAT_F32;
  info.channels = kChannels;
  info.position[0] = SPA_AUDIO_CHANNEL_FL;
  info.position[1] = SPA_AUDIO_CHANNEL_FR;
  const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
  const auto flags = static_cast<pw_stream_flags>(
      PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
  if (pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) < 0) {
    closeStream();
    return false;
  }
  logLine("pipewire: stream asks for %s", latency.c_str());
  return true;
}

void PipeWireOut::closeStream() {
  if (stream_ == nullptr) return;
  // Destroying the stream takes its node off the data thread first: render has returned.
  spa_hook_remove(&streamListener_);
  pw_stream_destroy(stream_);
  stream_ = nullptr;
}

bool PipeWireOut::start(RenderFn render, ReportFn report) {
  if (loop_ == nullptr) return false;
  stop();
  render_ = std::move(render);
  report_ = std::move(report);
  pw_thread_loop_lock(loop_);
  running_ = true;
  away_ = failedTold_ = pausedTold_ = false;
  pausedWatches_ = -1;
  toldFrames_ = 0;
  toldSkips_ = skips_.load();
  frames_.store(quantum_);
  if (core_ == nullptr && !openCore()) coreBroken_ = true;
  const bool ok = core_ != nullptr && openStream();
  if (ok) {
    timer_ = pw_loop_add_timer(
        pw_thread_loop_get_loop(loop_),
        [](void* self, std::uint64_t) { static_cast<PipeWireOut*>(self)->watch(); }, this);
    timespec every{0, kWatchNs};
    if (timer_) pw_loop_update_timer(pw_thread_loop_get_loop(loop_), timer_, &every, &every, false);
  }
  pw_thread_loop_unlock(loop_);
  if (!ok) stop();
  return ok;
}

void PipeWireOut::stop() {
  if (loop_ == nullptr) return;
  pw_thread_loop_lock(loop_);
  running_ = false;
  if (timer_) pw_loop_destroy_source(pw_thread_loop_get_loop(loop_), timer_);
  timer_ = nullptr;
  closeStream();
  pw_thread_loop_unlock(loop_);
  render_ = nullptr;
  report_ = nullptr;
  frames_.store(0);
}

void PipeWireOut::onFormat(std::uint32_t id, const spa_pod* param) {
  if (param == nullptr || id != SPA_PARAM_Format) return;
  spa_audio_info_raw info{};
  if (spa_format_audio_raw_parse(param, &info) < 0 || info.rate == 0) return;
  rate_.store(info.rate);
}

void PipeWireOut::onProcess() {
  pw_buffer* buffer = pw_stream_dequeue_buffer(stream_);
  if (buffer == nullptr) return;
  spa_data& data = buffer->buffer->datas[0];
  if (data.data == nullptr || data.chunk == nullptr) {
    pw_stream_queue_buffer(stream_, buffer);
    return;
  }
  const std::uint32_t frames = framesToRender(buffer->requested, data.maxsize, kFrameBytes);
  pw_time time{};
  pw_stream_get_time_n(stream_, &time, sizeof time);
  const double rate = rate_.load(std::memory_order_relaxed);
  const StreamTime report{time.now,      time.delay,  time.rate.num, time.rate.denom,
                          time.buffered, time.queued, lastFrames_,   time.ticks};
  auto* samples = static_cast<float*>(data.data);
  if (frames > 0 && render_) {
    AudioBuffer out{samples, samples + 1, 2, frames, heardAtNs(report, rate), rate};
    if (time.rate.denom != 0) out.frame = heardFrame(report, rate);
    render_(out);
  }
  data.chunk->offset = 0;
  data.chunk->stride = kFrameBytes;
  data.chunk->size = frames * kFrameBytes;
  buffer->size = frames;  // the time reports count what is queued in frames
  pw_stream_queue_buffer(stream_, buffer);
  frames_.store(frames, std::memory_order_relaxed);
  // The graph reconfigures around a new quantum: no cycle there counts as missed.
  if (resetTicks_.exchange(false) || frames != lastFrames_) ticks_.reset();
  lastFrames_ = frames;
  if (time.rate.num != 0 && rate > 0) {
    const double perFrame = time.rate.denom / (time.rate.num * rate);
    if (ticks_.skipped(time.ticks, static_cast<std::uint64_t>(frames * perFrame + 0.5)))
      skips_.fetch_add(1, std::memory_order_relaxed);
  }
}

std::unique_ptr<AudioOut> openPipeWire(std::uint32_t quantum) {
  auto out = std::make_unique<PipeWireOut>(quantum);
  if (!out->open()) return nullptr;
  return out;
}

}  // namespace midi

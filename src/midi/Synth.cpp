#include "midi/Synth.h"

#include <algorithm>
#include <cstdio>

#include "midi/Log.h"
#include "midi/SynthFluid.h"

namespace midi {
namespace {

using namespace std::chrono_literals;

std::int64_t nanosecondsOf(Moment at) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}

}  // namespace

/// A port on the built-in synthesizer; holds the audio stream while open.
class SynthPort : public Port {
 public:
  explicit SynthPort(std::shared_ptr<SynthEngine> engine) : engine_(std::move(engine)) {
    engine_->acquire();
  }
  ~SynthPort() override { closeDevice(); }
  std::chrono::nanoseconds lead() const override { return engine_->lead(); }

 protected:
  void write(const std::uint8_t* bytes, std::size_t size) override {
    writeAt(bytes, size, std::chrono::steady_clock::now());
  }
  void writeAt(const std::uint8_t* bytes, std::size_t size, Moment at) override {
    if (held_) engine_->play(bytes, size, at);
  }
  void silenceDevice(Moment at) override {
    // All Sound Off in the queue: nothing queued before it can sound after it.
    for (int channel = 0; channel < 16; ++channel) {
      const std::uint8_t cut[3] = {static_cast<std::uint8_t>(0xB0 | channel), 120, 0};
      writeAt(cut, 3, at);
    }
  }
  void closeDevice() override {
    if (!held_) return;
    held_ = false;
    engine_->release();
  }

 private:
  std::shared_ptr<SynthEngine> engine_;
  bool held_ = true;
};

SynthEngine::SynthEngine(SynthOptions options)
    : options_(std::move(options)), fluid_(std::make_unique<Fluid>()) {}

SynthEngine::~SynthEngine() {
  if (loader_.joinable()) loader_.join();
  closeStream();
}

std::unique_ptr<Port> SynthEngine::open() {
  return std::make_unique<SynthPort>(shared_from_this());
}

bool SynthEngine::waitReady(std::chrono::milliseconds timeout) const {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (!ready() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return ready();
}

std::string SynthEngine::soundFont() const {
  std::lock_guard lock(fontMutex_);
  return font_;
}

std::chrono::nanoseconds SynthEngine::lead() const {
  if (!ready() || !fluid_->stream) return {};
  return fluid_->renderer->lead();
}

std::string SynthEngine::streamName() const {
  return ready() && fluid_->stream ? fluid_->stream->name() : "";
}

void SynthEngine::acquire() {
  if (users_++ > 0) return;
  if (loader_.joinable()) loader_.join();
  loader_ = std::thread([this] { load(); });
}

void SynthEngine::release() {
  if (--users_ > 0) return;
  // The loader may still be starting the stream; it must be done before the stream goes.
  if (loader_.joinable()) loader_.join();
  ready_.store(false, std::memory_order_release);
  closeStream();
}

void SynthEngine::closeStream() {
  auto& f = *fluid_;
  if (!f.stream) return;
  // The cut after everything queued: the reset's note-offs sound, then every voice ends, so
  // nothing comes back when the stream starts again.
  {
    std::lock_guard lock(senders_);
    lastNs_ = std::max(lastNs_, nanosecondsOf(std::chrono::steady_clock::now()));
    f.queue->push({lastNs_, 0, {}});
  }
  const auto until = std::chrono::steady_clock::now() + 1s + 2 * f.renderer->lead();
  std::uint64_t seen = 0;
  while (std::chrono::steady_clock::now() < until) {
    if (!f.queue->empty()) {
      seen = f.renderer->buffers();
    } else if (f.renderer->buffers() >= seen + 2) {
      break;  // and the cut's buffer has been heard
    }
    std::this_thread::sleep_for(1ms);
  }
  f.stream->stop();
  f.stream.reset();
  // A stream that stalled left messages: the controllers and programs still count, notes not.
  while (const SynthEvent* e = f.queue->front()) {
    if ((e->bytes[0] & 0xF0) != 0x90) applyEvent(f.synth, *e);
    f.queue->pop();
  }
  fluid_synth_all_sounds_off(f.synth, -1);
  flushEffects(f.synth, f.rate);
}

void SynthEngine::play(const std::uint8_t* bytes, std::size_t size, Moment at) {
  // Without a stream nothing renders: a queued message would wait for ever.
  if (!ready() || !fluid_->stream || size < 1 || size > 3) return;
  SynthEvent e{0, static_cast<std::uint8_t>(size), {}};
  std::copy(bytes, bytes + size, e.bytes);
  std::lock_guard lock(senders_);
  // In the order sent, whichever port sent it.
  e.atNs = lastNs_ = std::max(lastNs_, nanosecondsOf(at));
  if (!fluid_->queue->push(e) && !toldFull_.exchange(true))
    logLine("synthesizer queue full: messages dropped");
}

DeviceEntry synthEntry(std::shared_ptr<SynthEngine> engine) {
  return DeviceEntry{"Korvane 内蔵シンセサイザー", [engine] { return engine->open(); }};
}

}  // namespace midi

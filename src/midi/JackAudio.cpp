// The synthesizer's audio as ports of Korvane's own JACK client, rendered in its cycle.
#include "midi/JackAudio.h"

#include <jack/jack.h>

#include <functional>
#include <mutex>
#include <string>

namespace midi {
namespace {

const char* const kAudioPorts[] = {"synth_L", "synth_R"};

class JackAudio : public AudioOut {
 public:
  explicit JackAudio(std::shared_ptr<JackClient> client) : client_(std::move(client)) {}
  ~JackAudio() override { stop(); }

  bool start(RenderFn render, ReportFn) override {
    stop();
    render_ = std::move(render);
    started_ = client_->alive() && client_->startAudio(&render_);
    return started_;
  }
  void stop() override {
    if (started_) client_->stopAudio();
    started_ = false;
  }
  std::uint32_t bufferFrames() const override { return started_ ? client_->period() : 0; }
  double rate() const override { return client_->sampleRate(); }
  std::string name() const override { return "jack"; }

 private:
  std::shared_ptr<JackClient> client_;
  RenderFn render_;  // read by the process thread while started
  bool started_ = false;
};

}  // namespace

namespace {

/// The one client of the run, and what it is opened as.
struct Shared {
  std::mutex mutex;
  std::weak_ptr<JackClient> client;  // held by its users only: closes with the last, not at exit
  std::string name = "Korvane";
  std::function<void()> lost;
};

Shared& shared() {
  static Shared instance;
  return instance;
}

}  // namespace

void configureJackClient(std::string name, std::function<void()> lost) {
  auto& s = shared();
  std::lock_guard lock(s.mutex);
  s.name = std::move(name);
  s.lost = std::move(lost);
}

std::shared_ptr<JackClient> sharedJackClient() {
  auto& s = shared();
  std::lock_guard lock(s.mutex);
  auto client = s.client.lock();
  // libjack reaches no new server while the dead one's client is open: close that one first.
  if (client && !client->alive()) {
    client->releaseDead();
    client.reset();
  }
  if (!client) s.client = client = JackClient::open(s.name, s.lost);
  return client;
}

std::unique_ptr<AudioOut> openJackAudio(std::shared_ptr<JackClient> client) {
  if (!client) return nullptr;
  return std::make_unique<JackAudio>(std::move(client));
}

bool JackClient::startAudio(const RenderFn* render) {
  if (!alive_ || !activate()) return false;
  for (std::size_t i = 0; i < audio_.size(); ++i) {
    audio_[i] =
        jack_port_register(client_, kAudioPorts[i], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (audio_[i] == nullptr) {
      stopAudio();
      return false;
    }
  }
  // Where FluidSynth's own JACK driver played: the first two playback ports.
  const char** playback = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                         JackPortIsPhysical | JackPortIsInput);
  for (std::size_t i = 0; playback && playback[0] && i < audio_.size(); ++i) {
    const char* target = playback[1] ? playback[i] : playback[0];
    jack_connect(client_, jack_port_name(audio_[i]), target);
  }
  if (playback) jack_free(playback);
  render_.store(render, std::memory_order_release);
  return true;
}

void JackClient::stopAudio() {
  render_.store(nullptr, std::memory_order_release);
  // The cycle that read the pointer may still be rendering.
  waitCycles(2, std::chrono::milliseconds(1000));
  for (auto& port : audio_) {
    if (port && alive_) jack_port_unregister(client_, port);
    port = nullptr;
  }
}

double JackClient::sampleRate() const {
  return alive_ ? jack_get_sample_rate(client_) : 48000;
}

std::uint32_t JackClient::period() const {
  return alive_ ? jack_get_buffer_size(client_) : 0;
}

void JackClient::renderAudio(std::uint32_t frames, std::uint32_t start, std::int64_t nowNs) {
  const RenderFn* render = render_.load(std::memory_order_acquire);
  if (render == nullptr) return;
  auto* left = static_cast<float*>(jack_port_get_buffer(audio_[0], frames));
  auto* right = static_cast<float*>(jack_port_get_buffer(audio_[1], frames));
  // The cycle's start as the MIDI ports see it: the moment its first frame is taken as heard.
  (*render)(AudioBuffer{left, right, 1, frames, nowNs,
                        static_cast<double>(jack_get_sample_rate(client_)), start});
}

}  // namespace midi

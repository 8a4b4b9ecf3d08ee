#include "sync/MidiClock.h"

#include <array>

#include "midi/ClockInputs.h"
#include "midi/JackClient.h"

namespace ksync {
namespace {

double secondsOf(std::int64_t steadyNs) {
  return static_cast<double>(steadyNs) * 1e-9;
}

}  // namespace

std::vector<std::string> clockInputNames() {
  std::vector<std::string> names;
  for (auto& input : midi::clockInputs(midi::JackClient::shared()))
    names.push_back(std::move(input.name));
  return names;
}

std::unique_ptr<MidiClock> MidiClock::open(const std::string& text) {
  auto jack = midi::JackClient::shared();
  for (const auto& input : midi::clockInputs(jack)) {
    if (input.name.find(text) == std::string::npos) continue;
    std::unique_ptr<MidiClock> clock(new MidiClock);
    clock->input_ = input.name;
    if (input.jack) {
      if (!jack->listenClock(input.name)) return nullptr;
      clock->jack_ = jack;
    } else {
      MidiClock* self = clock.get();
      clock->alsa_ = midi::openAlsaInput(
          input.name, [self](const std::uint8_t* bytes, std::size_t size, std::int64_t ns) {
            std::lock_guard lock(self->lock_);
            self->follower_.message(bytes, size, secondsOf(ns));
          });
      if (!clock->alsa_) return nullptr;
    }
    return clock;
  }
  return nullptr;
}

MidiClock::~MidiClock() {
  alsa_.reset();  // its thread is done before the follower goes
  if (jack_) jack_->stopListening();
}

void MidiClock::drainJack() {
  if (!jack_) return;
  std::array<midi::InputMessage, 64> batch;
  while (const std::size_t n = jack_->follow().takeInput(batch.data(), batch.size())) {
    for (std::size_t i = 0; i < n; ++i)
      follower_.message(batch[i].bytes, batch[i].size, secondsOf(batch[i].steadyNs));
    if (n < batch.size()) break;
  }
}

std::optional<Beat> MidiClock::at(Moment at) {
  std::lock_guard lock(lock_);
  drainJack();
  if (jack_ && !jack_->alive()) return std::nullopt;
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch());
  return follower_.at(secondsOf(ns.count()));
}

}  // namespace ksync

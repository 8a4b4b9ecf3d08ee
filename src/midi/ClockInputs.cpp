#include "midi/ClockInputs.h"

#include <RtMidi.h>
#include <unistd.h>

#include <chrono>

#include "midi/JackClient.h"

namespace midi {
namespace {

const char* const kClientName = "Korvane";

void quietRtMidi(RtMidiError::Type, const std::string&, void*) {}

bool alsaSequencerPresent() {
  return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

class RtAlsaInput : public AlsaInput {
 public:
  RtAlsaInput(std::unique_ptr<RtMidiIn> in, InputHandler handler)
      : in_(std::move(in)), handler_(std::move(handler)) {
    in_->setErrorCallback(&quietRtMidi, nullptr);
    // Clock messages are timing messages: RtMidi drops them unless asked for.
    in_->ignoreTypes(true, false, true);
    in_->setCallback(&RtAlsaInput::received, this);
  }
  ~RtAlsaInput() override {
    try {
      in_->cancelCallback();
      in_->closePort();
    } catch (...) {
    }
  }

 private:
  static void received(double, std::vector<unsigned char>* message, void* self) {
    if (message == nullptr || message->empty() || message->size() > 3) return;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    static_cast<RtAlsaInput*>(self)->handler_(
        message->data(), message->size(),
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
  }
  std::unique_ptr<RtMidiIn> in_;
  InputHandler handler_;
};

}  // namespace

std::vector<ClockInput> clockInputs(const std::shared_ptr<JackClient>& jack) {
  std::vector<ClockInput> inputs;
  if (jack)
    for (auto& name : jack->outputPorts()) inputs.push_back({std::move(name), true});
  if (!alsaSequencerPresent()) return inputs;
  try {
    RtMidiIn in(RtMidi::LINUX_ALSA, kClientName);
    for (unsigned i = 0, n = in.getPortCount(); i < n; ++i)
      inputs.push_back({in.getPortName(i), false});
  } catch (...) {
    // The sequencer failed: its inputs are not listed, and no box says so.
  }
  return inputs;
}

std::unique_ptr<AlsaInput> openAlsaInput(const std::string& name, InputHandler handler) {
  if (!alsaSequencerPresent()) return nullptr;
  try {
    auto in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kClientName);
    for (unsigned i = 0, n = in->getPortCount(); i < n; ++i) {
      if (in->getPortName(i) != name) continue;
      in->openPort(i, "clock_in");
      return std::make_unique<RtAlsaInput>(std::move(in), std::move(handler));
    }
  } catch (...) {
  }
  return nullptr;
}

}  // namespace midi

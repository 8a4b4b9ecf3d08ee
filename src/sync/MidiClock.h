// Follows a MIDI clock from a JACK or ALSA input.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sync/ClockIn.h"
#include "sync/Source.h"

namespace midi {
class AlsaInput;
class JackClient;
}  // namespace midi

namespace ksync {

/// Names of the inputs a clock can be followed from: JACK first, then ALSA.
std::vector<std::string> clockInputNames();

class MidiClock : public Source {
 public:
  /// Listens on the first input whose name contains text (any input when text is empty); null
  /// when there is none or it cannot be opened.
  static std::unique_ptr<MidiClock> open(const std::string& text);
  ~MidiClock() override;
  std::optional<Beat> at(Moment at) override;
  /// The input listened to.
  const std::string& input() const { return input_; }

 private:
  MidiClock() = default;
  void drainJack();
  std::mutex lock_;  // the ALSA input's thread feeds the follower too
  ClockFollower follower_;
  std::shared_ptr<midi::JackClient> jack_;
  std::unique_ptr<midi::AlsaInput> alsa_;
  std::string input_;
};

}  // namespace ksync

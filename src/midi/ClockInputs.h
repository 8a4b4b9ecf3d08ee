// MIDI inputs a followed clock can come from: JACK MIDI outputs of other programs (through
// Korvane's client) and ALSA sequencer ports (through RtMidi).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace midi {

class JackClient;

/// One input as the Sync page lists it.
struct ClockInput {
  std::string name;  ///< display name, as the output devices are named
  bool jack = false;
};

/// The JACK inputs (jack may be null), then the ALSA ones. An ALSA sequencer that is missing or
/// fails adds nothing.
std::vector<ClockInput> clockInputs(const std::shared_ptr<JackClient>& jack);

/// A message of an ALSA input and the steady moment (ns) it came at, on RtMidi's thread.
using InputHandler =
    std::function<void(const std::uint8_t* bytes, std::size_t size, std::int64_t steadyNs)>;

/// An open ALSA input; closes on destruction.
class AlsaInput {
 public:
  virtual ~AlsaInput() = default;
};

/// Opens the ALSA input port called name, handing its clock messages to handler; null when it is
/// gone or the sequencer fails.
std::unique_ptr<AlsaInput> openAlsaInput(const std::string& name, InputHandler handler);

}  // namespace midi

// Sources on Korvane's JACK client: JACK transport and a JACK MIDI clock input.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midi/JackSync.h"
#include "sync/Source.h"

namespace midi {
class JackClient;
}

namespace ksync {

/// The beat and tempo a transport reading gives for moment at (steady ns). Without a timebase
/// master the frames count at fallbackTempo; a stopped transport stands still.
Beat transportBeat(const midi::Transport& t, std::int64_t atNs, double fallbackTempo);

/// Follows JACK transport. Korvane never becomes timebase master.
class JackTransport : public Source {
 public:
  JackTransport(std::shared_ptr<midi::JackClient> client, double fallbackTempo);
  std::optional<Beat> at(Moment at) override;
  /// Whether a timebase master gives the beat (else the frames count at the fallback tempo).
  bool hasMaster();

 private:
  std::shared_ptr<midi::JackClient> client_;
  double fallback_;
};

/// JACK transport on the run's JACK client; null when no JACK server runs.
std::unique_ptr<JackTransport> openJackTransport(double fallbackTempo);

}  // namespace ksync

#include "sync/Jack.h"

#include "midi/JackClient.h"

namespace ksync {

Beat transportBeat(const midi::Transport& t, std::int64_t atNs, double fallbackTempo) {
  Beat b;
  b.running = t.rolling;
  b.tempo = t.bbt ? t.tempo : fallbackTempo;
  b.beat = t.bbt ? t.beat : static_cast<double>(t.frame) / t.rate * fallbackTempo / 60;
  if (t.rolling) b.beat += static_cast<double>(atNs - t.steadyNs) * 1e-9 * b.tempo / 60;
  return b;
}

JackTransport::JackTransport(std::shared_ptr<midi::JackClient> client, double fallbackTempo)
    : client_(std::move(client)), fallback_(fallbackTempo) {}

std::optional<Beat> JackTransport::at(Moment at) {
  if (!client_->alive()) return std::nullopt;
  const auto t = client_->follow().transport();
  if (!t || t->steadyNs == 0) return std::nullopt;
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch());
  return transportBeat(*t, ns.count(), fallback_);
}

bool JackTransport::hasMaster() {
  const auto t = client_->follow().transport();
  return t && t->bbt;
}

std::unique_ptr<JackTransport> openJackTransport(double fallbackTempo) {
  auto client = midi::JackClient::shared();
  if (!client || !client->activate()) return nullptr;
  return std::make_unique<JackTransport>(std::move(client),
                                         fallbackTempo > 0 ? fallbackTempo : 120);
}

}  // namespace ksync

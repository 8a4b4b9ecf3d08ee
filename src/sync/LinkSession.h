// The Link source over any BasicLink, so that its arithmetic can be tried on a clock of our own
// with the session never enabled.
#pragma once

#include <ableton/Link.hpp>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <utility>

#include "sync/ClockMap.h"
#include "sync/Source.h"

namespace ksync {

/// Beats of a bar: the quantum Korvane's grid is phase-aligned on.
constexpr double kLinkQuantum = 4;

/// A Link session followed as a Source. clocks read the steady clock and the session's own
/// clock (LinkT::Clock) in nanoseconds; moments are converted through them, never mixed.
template <class LinkT>
class LinkSession final : public Source {
 public:
  LinkSession(double tempo, Clocks clocks)
      : link_(std::isfinite(tempo) && tempo > 0 ? tempo : 120), map_(std::move(clocks)) {}
  ~LinkSession() override { link_.enable(false); }

  /// Starts talking to the network: discovery, tempo, beat and start/stop with the peers.
  void join() {
    link_.enableStartStopSync(true);
    link_.enable(true);
  }

  std::optional<Beat> at(Moment at) override {
    const auto time = linkTime(at);
    const auto state = link_.captureAppSessionState();
    return Beat{state.beatAtTime(time, kLinkQuantum), state.tempo(), state.isPlaying()};
  }

  /// Link keeps the tempo within its own range (20–999); a tempo that is no number is ignored.
  void proposeTempo(double tempo) override {
    if (!std::isfinite(tempo) || tempo <= 0) return;
    auto state = link_.captureAppSessionState();
    state.setTempo(tempo, link_.clock().micros());
    link_.commitAppSessionState(state);
  }

  int peers() const override { return static_cast<int>(link_.numPeers()); }

  /// The session's clock time of moment at.
  std::chrono::microseconds linkTime(Moment at) {
    const auto steadyNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
    std::int64_t rawNs;
    {
      std::lock_guard<std::mutex> hold(mapLock_);
      rawNs = map_.rawAt(steadyNs);
    }
    // Link counts whole microseconds: the nearest one.
    return std::chrono::microseconds((rawNs + (rawNs >= 0 ? 500 : -500)) / 1000);
  }

  LinkT& link() { return link_; }

 private:
  LinkT link_;
  std::mutex mapLock_;
  ClockMap map_;
};

}  // namespace ksync

// Korvane's native PipeWire stream: a playback pw_stream whose real-time process callback
// renders each buffer, on a thread loop of its own. Only PipeWireOut*.cpp include this.
#pragma once

#include <pipewire/pipewire.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "midi/AudioOut.h"
#include "midi/StreamTime.h"

namespace midi {

/// The stream of openPipeWire(). Everything but onProcess runs on the thread loop, locked.
class PipeWireOut final : public AudioOut {
 public:
  explicit PipeWireOut(std::uint32_t quantum) : quantum_(usableQuantum(quantum)) {}
  ~PipeWireOut() override;
  PipeWireOut(const PipeWireOut&) = delete;
  PipeWireOut& operator=(const PipeWireOut&) = delete;

  /// Connects and waits for the daemon's first answer; false when there is none.
  bool open();
  bool start(RenderFn render, ReportFn report) override;
  void stop() override;
  std::uint32_t bufferFrames() const override { return frames_.load(std::memory_order_relaxed); }
  double rate() const override { return rate_.load(std::memory_order_relaxed); }
  std::string name() const override { return "pipewire"; }

 private:
  // On the thread loop (locked).
  bool openCore();
  void closeCore();
  bool openStream();
  void closeStream();
  void watch();
  void tellChanges();
  void tell(const std::string& line);
  void onCoreDone(std::uint32_t id, int seq);
  void onCoreError(std::uint32_t id, int res, const char* message);
  void onState(pw_stream_state old, pw_stream_state state, const char* error);
  void onFormat(std::uint32_t id, const spa_pod* param);
  // On the data thread, real time.
  void onProcess();

  static const pw_core_events kCoreEvents;
  static const pw_stream_events kStreamEvents;

  const std::uint32_t quantum_;
  pw_thread_loop* loop_ = nullptr;
  pw_context* context_ = nullptr;
  pw_core* core_ = nullptr;
  pw_stream* stream_ = nullptr;
  spa_hook coreListener_{}, streamListener_{};
  spa_source* timer_ = nullptr;
  RenderFn render_;  // set before the stream exists, cleared after it is gone
  ReportFn report_;

  // Thread loop state.
  int syncSeq_ = -1;
  bool answered_ = false, running_ = false;
  bool coreBroken_ = false, streamFailed_ = false;
  bool away_ = false, failedTold_ = false, streamed_ = false, pausedTold_ = false;
  int pausedWatches_ = -1;  // watches since a pause after playing; -1: playing or never played
  std::string failure_;
  int retryIn_ = 0;
  int unlinkedWatches_ = 0;  // watches since the stream was made, while it never played
  std::uint32_t toldFrames_ = 0;
  double toldRate_ = 0;
  std::uint32_t toldSkips_ = 0;
  std::int64_t skipToldNs_ = 0;

  // Shared with the data thread.
  std::atomic<std::uint32_t> frames_{0};
  std::atomic<double> rate_{48000};
  std::atomic<std::uint32_t> skips_{0};
  std::atomic<bool> resetTicks_{true};
  // Data thread only.
  TickWatch ticks_;
  std::uint64_t lastFrames_ = 0;  // the previous buffer: the graph plays it before this one
};

}  // namespace midi

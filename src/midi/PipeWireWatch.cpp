// What the PipeWire stream says and how it comes back: the events of the daemon and the stream,
// and a watch on the thread loop that reconnects and tells one line per change.
#include <cerrno>
#include <chrono>
#include <string>

#include "midi/Log.h"
#include "midi/PipeWireOut.h"

namespace midi {
namespace {

// A lost daemon is tried again every kRetryWatches watches.
constexpr int kRetryWatches = 2;
// A pause is told once it lasted this many watches (2 s): a daemon shutting down, even slowly
// on a busy machine, pauses its streams before its socket goes.
constexpr int kPauseWatches = 8;
// A stream that has not played after this many watches (5 s) is made anew: the session manager
// may have been asked for a sink before it knew one, and then leaves the stream unlinked.
constexpr int kUnlinkedWatches = 20;
// Missed cycles are told at most this often: a struggling machine must not flood the log.
constexpr std::int64_t kSkipReportNs = 10'000'000'000;

std::int64_t steadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void PipeWireOut::tell(const std::string& line) {
  if (report_) report_(line);
}

void PipeWireOut::watch() {
  if (!running_) return;
  if (coreBroken_) {
    // The core cannot be torn down inside its own error event; it is done here.
    closeStream();
    closeCore();
    coreBroken_ = false;
    retryIn_ = kRetryWatches;
    if (!away_) tell("the PipeWire server went away; playing resumes when it is back");
    away_ = true;
    return;
  }
  if (streamFailed_) {
    // On a connection of its own: the failed one may stay unserved by the session manager.
    closeStream();
    closeCore();
    streamFailed_ = false;  // handled: the retry below opens the next stream
    if (!failedTold_) tell("the PipeWire stream failed (" + failure_ + "); trying again");
    failedTold_ = true;
    retryIn_ = kRetryWatches;
  }
  if (core_ == nullptr || stream_ == nullptr) {
    if (--retryIn_ > 0) return;
    retryIn_ = kRetryWatches;
    if (core_ == nullptr && !openCore()) return;
    openStream();
    return;
  }
  if (!streamed_ && ++unlinkedWatches_ >= kUnlinkedWatches) {
    closeStream();
    closeCore();
    retryIn_ = 1;
    return;
  }
  // A daemon shutting down pauses its streams first: a pause is told only once it lasts.
  if (pausedWatches_ >= 0 && ++pausedWatches_ == kPauseWatches && !pausedTold_) {
    tell("the PipeWire stream is paused (its sink is suspended or gone)");
    pausedTold_ = true;
  }
  tellChanges();
}

void PipeWireOut::tellChanges() {
  const std::uint32_t frames = frames_.load();
  const double rate = rate_.load();
  if (streamed_ && (frames != toldFrames_ || rate != toldRate_)) {
    if (toldFrames_ != 0) {
      tell("the PipeWire stream now runs " + std::to_string(frames) + " frames at " +
           std::to_string(static_cast<long>(rate)) + " Hz");
    } else {
      logLine("pipewire: %u frames at %.0f Hz", frames, rate);
    }
    toldFrames_ = frames;
    toldRate_ = rate;
  }
  const std::uint32_t skips = skips_.load();
  const std::int64_t now = steadyNs();
  if (skips != toldSkips_ && now - skipToldNs_ >= kSkipReportNs) {
    tell("the PipeWire stream missed " + std::to_string(skips - toldSkips_) + " cycles (xruns)");
    toldSkips_ = skips;
    skipToldNs_ = now;
  }
}

void PipeWireOut::onCoreDone(std::uint32_t id, int seq) {
  if (id != PW_ID_CORE || seq != syncSeq_) return;
  answered_ = true;
  pw_thread_loop_signal(loop_, false);
}

void PipeWireOut::onCoreError(std::uint32_t id, int res, const char* message) {
  logLine("pipewire: error on %u: %d %s", id, res, message ? message : "");
  if (id != PW_ID_CORE || res != -EPIPE) return;
  coreBroken_ = true;
  pw_thread_loop_signal(loop_, false);
}

void PipeWireOut::onState(pw_stream_state old, pw_stream_state state, const char* error) {
  logLine("pipewire: stream %s -> %s", pw_stream_state_as_string(old),
          pw_stream_state_as_string(state));
  if (!running_) return;
  switch (state) {
    case PW_STREAM_STATE_ERROR:
      failure_ = error ? error : "unknown error";
      streamFailed_ = true;
      break;
    case PW_STREAM_STATE_STREAMING:
      resetTicks_.store(true);
      if (pausedTold_ || failedTold_ || away_) tell("the PipeWire stream plays again");
      pausedTold_ = failedTold_ = away_ = false;
      pausedWatches_ = -1;
      streamed_ = true;
      break;
    case PW_STREAM_STATE_PAUSED:
      // Only a pause after playing is news: every stream passes through it on the way up.
      if (old == PW_STREAM_STATE_STREAMING) pausedWatches_ = 0;
      break;
    default:
      break;
  }
}

}  // namespace midi

// Plays short 1 kHz bursts through Korvane's own PipeWire stream, each planned for a moment on the
// steady clock and placed in the buffer by the stream's "heard at" time, and prints
//   <seconds on the monotonic clock, 6 decimals> burst      the moment each burst is planned for
//   # started <frames> <rate>                                  once the first buffer was rendered
//   # report <line>                                           each line the stream reports
//   # stopped                                                 once stop() has returned
// Usage: pw_tone [bursts (5; 0: until SIGTERM)] [every ms (250)] [quantum (256)]
// Exits 2 when no PipeWire daemon answers.
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "midi/AudioOut.h"

namespace {

constexpr double kBurstNs = 20e6, kPi = 3.14159265358979323846;
volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
  stopRequested = 1;
}

std::int64_t steadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void printTime(std::int64_t ns, const char* what) {
  std::printf("%lld.%06lld %s\n", static_cast<long long>(ns / 1'000'000'000),
              static_cast<long long>(ns % 1'000'000'000 / 1000), what);
  std::fflush(stdout);
}

struct Plan {
  std::int64_t everyNs;
  long bursts;                           // 0: no end
  std::atomic<std::int64_t> startNs{0};  // the first burst; set by the first buffer
  std::atomic<bool> rendered{false};

  float sampleAt(double ns) const {
    const double since = ns - static_cast<double>(startNs.load(std::memory_order_relaxed));
    if (since < 0) return 0;
    const double k = std::floor(since / static_cast<double>(everyNs));
    if (bursts > 0 && k >= static_cast<double>(bursts)) return 0;
    const double within = since - k * static_cast<double>(everyNs);
    if (within >= kBurstNs) return 0;
    return static_cast<float>(0.5 * std::sin(2 * kPi * 1000 * within / 1e9));
  }

  void render(const midi::AudioBuffer& b) {
    // The first burst a little after the first buffer is heard: never in the past.
    if (startNs.load(std::memory_order_relaxed) == 0)
      startNs.store(b.heardNs + 200'000'000, std::memory_order_relaxed);
    for (std::uint32_t i = 0; i < b.frames; ++i) {
      const float s = sampleAt(static_cast<double>(b.heardNs) + i * 1e9 / b.rate);
      b.left[i * static_cast<std::uint32_t>(b.stride)] = s;
      b.right[i * static_cast<std::uint32_t>(b.stride)] = s;
    }
    rendered.store(true, std::memory_order_release);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const long bursts = argc > 1 ? std::atol(argv[1]) : 5;
  const long everyMs = argc > 2 ? std::atol(argv[2]) : 250;
  const auto quantum = static_cast<std::uint32_t>(argc > 3 ? std::atol(argv[3]) : 256);
  std::signal(SIGTERM, onSignal);
  std::signal(SIGINT, onSignal);

  auto out = midi::openPipeWire(quantum);
  if (!out) {
    std::fprintf(stderr, "pw_tone: no PipeWire daemon answers\n");
    return 2;
  }
  Plan plan{everyMs * 1'000'000, bursts};
  std::mutex printing;
  const bool started = out->start([&plan](const midi::AudioBuffer& b) { plan.render(b); },
                                  [&printing](const std::string& line) {
                                    std::lock_guard lock(printing);
                                    std::printf("# report %s\n", line.c_str());
                                    std::fflush(stdout);
                                  });
  if (!started) {
    std::fprintf(stderr, "pw_tone: the stream did not start\n");
    return 1;
  }
  long told = 0;
  bool toldStart = false;
  while (!stopRequested) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::lock_guard lock(printing);
    if (!toldStart && plan.rendered.load(std::memory_order_acquire)) {
      std::printf("# started %u %.0f\n", out->bufferFrames(), out->rate());
      toldStart = true;
    }
    const std::int64_t start = plan.startNs.load(std::memory_order_relaxed);
    if (start == 0) continue;
    // Each burst is printed once its moment has come, so a stopped run prints none it did not play.
    while ((bursts == 0 || told < bursts) && start + told * plan.everyNs <= steadyNs())
      printTime(start + told++ * plan.everyNs, "burst");
    if (bursts > 0 && told == bursts && steadyNs() > start + bursts * plan.everyNs + 200'000'000)
      break;
  }
  out->stop();
  std::printf("# stopped\n");
  std::fflush(stdout);
  return 0;
}

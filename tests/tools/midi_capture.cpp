// Captures MIDI on a JACK input port and prints one line per message:
//   <seconds on the monotonic clock, 6 decimals> <bytes in hex>   e.g. "1234.567890 90 3c 64"
// Lines starting with "#" are notes of the tool itself ("# ready <full port name>").
// Usage: midi_capture [client-name]   (default "midi_capture"); ends on SIGTERM or SIGINT.
#include <RtMidi.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<bool> stop{false};

void onSignal(int) {
  stop = true;
}

double monotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void onMessage(double, std::vector<unsigned char>* message, void*) {
  std::string line;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", monotonicSeconds());
  line += buf;
  for (unsigned char b : *message) {
    std::snprintf(buf, sizeof buf, " %02x", b);
    line += buf;
  }
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string client = argc > 1 ? argv[1] : "midi_capture";
  std::signal(SIGTERM, onSignal);
  std::signal(SIGINT, onSignal);
  try {
    RtMidiIn in(RtMidi::UNIX_JACK, client);
    in.ignoreTypes(false, false, false);
    in.setCallback(&onMessage);
    in.openVirtualPort("in");
    std::printf("# ready %s:in\n", client.c_str());
    std::fflush(stdout);
    while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    in.closePort();
  } catch (const RtMidiError& e) {
    std::fprintf(stderr, "midi_capture: %s\n", e.what());
    return 1;
  }
  return 0;
}

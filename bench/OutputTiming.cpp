// Onset timing of Korvane's output ports, measured where the sound is made.
//
//   OutputTiming jack [notes] [interval-ms]
//     on the running JACK server: Korvane's port (midi::Port on its JACK client) and an RtMidi
//     sender play the same notes at the same deadlines into a receiver of this program that
//     stamps each event with its frame; prints the error of the intervals between note-ons.
//   OutputTiming synth <buffer-frames> [notes] [interval-ms]
//     the built-in synthesizer rendering to a file (FluidSynth's file driver) at that buffer
//     size; onsets found in the audio; prints the interval error and the latency's spread.
//   OutputTiming drift <ppm> [seconds] [interval-ms]
//     the same at 256 frames with the file's device clock ppm fast (negative: slow); prints the
//     latency at the start and at the end, and its spread over the run.
#include <RtMidi.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "FrameReceiver.h"
#include "midi/Synth.h"
#include "midi/System.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// Sleeps until at, spinning the last stretch so every sender starts on its deadline.
void waitUntil(Clock::time_point at) {
  std::this_thread::sleep_until(at - 2ms);
  while (Clock::now() < at) {
  }
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(std::min<double>(v.size() - 1, p * (v.size() - 1) + 0.5))];
}

/// |interval − nominal| in ms for consecutive onsets given in seconds.
std::vector<double> intervalErrors(const std::vector<double>& onsets, double nominalMs) {
  std::vector<double> errors;
  for (std::size_t i = 1; i < onsets.size(); ++i)
    errors.push_back(std::fabs((onsets[i] - onsets[i - 1]) * 1000 - nominalMs));
  return errors;
}

void printRow(const char* what, const std::vector<double>& errors) {
  if (std::getenv("TIMING_DETAIL"))
    for (std::size_t i = 0; i < errors.size(); ++i)
      if (errors[i] > 0.1) std::printf("    interval %zu: error %.3f ms\n", i, errors[i]);
  std::printf("%-28s n=%-4zu median %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", what, errors.size(),
              percentile(errors, 0.5), percentile(errors, 0.99),
              errors.empty() ? NAN : *std::max_element(errors.begin(), errors.end()));
}

// ---- JACK: a receiver stamping frames ---------------------------------------------------

int runJack(int notes, double intervalMs) {
  const std::string name = "timing" + std::to_string(getpid());
  FrameReceiver rx;
  if (!rx.open(name, static_cast<std::size_t>(notes) + 8)) {
    std::fprintf(stderr, "no JACK server\n");
    return 1;
  }
  const double rate = jack_get_sample_rate(rx.client);
  const unsigned period = jack_get_buffer_size(rx.client);

  auto devices = midi::makeSystemDevices();
  devices->refresh();  // the JACK ports too
  std::unique_ptr<midi::Port> korvane;
  for (int id = 0; id < devices->count(); ++id)
    if (devices->name(id) == name + ":korvane") korvane = devices->open(id);
  if (!korvane) {
    std::fprintf(stderr, "receiver not listed\n");
    return 1;
  }
  RtMidiOut rt(RtMidi::UNIX_JACK, "timing-rtmidi");
  for (unsigned i = 0; i < rt.getPortCount(); ++i)
    if (rt.getPortName(i) == name + ":rtmidi") rt.openPort(i, "out");

  const auto interval = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double, std::milli>(intervalMs));
  auto deadline = Clock::now() + 200ms;
  std::vector<double> wakeups;
  for (int i = 0; i < notes; ++i, deadline += interval) {
    waitUntil(deadline);
    wakeups.push_back(std::chrono::duration<double, std::milli>(Clock::now() - deadline).count());
    const int note = 60 + i % 12;
    korvane->send({0x90, note, 100}, deadline);
    const std::vector<unsigned char> on{0x90, static_cast<unsigned char>(note), 100};
    rt.sendMessage(&on);
    korvane->send({0x80, note, 0}, deadline + interval / 2);
  }
  korvane->reset();
  const auto lead = korvane->lead();
  std::this_thread::sleep_for(200ms + 3 * lead);
  korvane->close();
  rt.closePort();
  jack_deactivate(rx.client);

  std::printf("JACK period %u frames at %.0f Hz; Korvane's lead %.2f ms\n", period, rate,
              std::chrono::duration<double, std::milli>(lead).count());
  std::printf("  sender's wake-up after its deadline: median %.3f ms, p99 %.3f ms\n",
              percentile(wakeups, 0.5), percentile(wakeups, 0.99));
  for (int p = 0; p < 2; ++p)
    printRow(p == 0 ? "  Korvane's JACK port" : "  RtMidi JACK sender",
             intervalErrors(rx.onsets(p), intervalMs));
  return 0;
}

// ---- Built-in synthesizer: onsets in the rendered audio -----------------------------------

/// Samples (mono, the left channel) of a raw 16-bit stereo file.
std::vector<std::int16_t> leftChannel(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::int16_t> left(raw.size() / 4);
  for (std::size_t i = 0; i < left.size(); ++i) std::memcpy(&left[i], raw.data() + 4 * i, 2);
  return left;
}

/// Sample positions where the sound rises above threshold after at least gap samples of quiet.
std::vector<std::size_t> onsetsOf(const std::vector<std::int16_t>& s, int threshold,
                                  std::size_t gap) {
  std::vector<std::size_t> onsets;
  std::size_t quiet = gap;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (std::abs(s[i]) < threshold) {
      ++quiet;
      continue;
    }
    if (quiet >= gap) onsets.push_back(i);
    quiet = 0;
  }
  return onsets;
}

/// Plays notes on the synthesizer rendering to file; the moments sent, in seconds from the
/// first. leadMs: the lead it stated.
std::vector<double> playToFile(const midi::SynthOptions& options, int notes, double intervalMs,
                               double& leadMs) {
  std::vector<double> moments;
  auto engine = std::make_shared<midi::SynthEngine>(options);
  auto port = engine->open();
  if (!engine->waitReady(20s)) return moments;
  leadMs = std::chrono::duration<double, std::milli>(engine->lead()).count();
  port->send({0xC0, 16, 0});  // an organ: full level at once, silent at once after note-off
  const auto interval = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double, std::milli>(intervalMs));
  const auto first = Clock::now() + 100ms;
  auto deadline = first;
  for (int i = 0; i < notes; ++i, deadline += interval) {
    waitUntil(deadline);
    port->send({0x90, 72, 127}, deadline);
    port->send({0x80, 72, 0}, deadline + interval / 3);
    moments.push_back(std::chrono::duration<double>(deadline - first).count());
  }
  std::this_thread::sleep_for(300ms + engine->lead());
  port->close();
  return moments;
}

int runDrift(double ppm, double seconds, double intervalMs) {
  const auto file = (std::filesystem::temp_directory_path() /
                     ("korvane-drift-" + std::to_string(getpid()) + ".raw"))
                        .string();
  midi::SynthOptions options{"/usr/share/sounds/sf2/TimGM6mb.sf2", "file", file, 256, ppm};
  double leadMs = 0;
  const auto moments =
      playToFile(options, static_cast<int>(seconds * 1000 / intervalMs), intervalMs, leadMs);
  const auto samples = leftChannel(file);
  std::filesystem::remove(file);
  // The device's own seconds: its frames at its true rate.
  const double rate = 44100 * (1 + ppm * 1e-6);
  const auto onsets = onsetsOf(samples, 300, static_cast<std::size_t>(44100 * intervalMs / 4000));
  if (onsets.empty() || moments.size() < 40) {
    std::fprintf(stderr, "%zu onsets of %zu notes\n", onsets.size(), moments.size());
    return 1;
  }
  // Each note's onset: the first within half an interval of where the first note puts it (a
  // note whose sender was held up is late, not lost).
  std::vector<double> latency;
  std::size_t next = 0, missing = 0;
  for (double moment : moments) {
    const double expected = onsets[0] / rate + moment - moments[0];
    while (next < onsets.size() && onsets[next] / rate < expected - intervalMs / 2000) ++next;
    if (next == onsets.size() || onsets[next] / rate > expected + intervalMs / 2000) {
      ++missing;
      continue;
    }
    latency.push_back((onsets[next] / rate - moment) * 1000);
  }
  std::printf("  %zu notes, %zu onsets not found\n", moments.size(), missing);
  // Less that of the first note: the file's own start is not on the steady clock.
  const double base = latency[0];
  for (auto& l : latency) l -= base;
  if (std::getenv("TIMING_DETAIL"))
    for (std::size_t i = 0; i < latency.size(); ++i)
      if (std::fabs(latency[i]) > 0.5) std::printf("    note %zu: %+.3f ms\n", i, latency[i]);
  // Medians: a note whose sender was held up on a loaded machine moves no figure.
  auto median = [](auto from, auto to) { return percentile(std::vector<double>(from, to), 0.5); };
  std::printf(
      "device clock %+.0f ppm, %.0f s, lead %.2f ms: latency at the end %+.3f ms from the "
      "start; spread p5-p95 %.3f ms, max-min %.3f ms\n",
      ppm, seconds, leadMs,
      median(latency.end() - 20, latency.end()) - median(latency.begin(), latency.begin() + 20),
      percentile(latency, 0.95) - percentile(latency, 0.05),
      *std::max_element(latency.begin(), latency.end()) -
          *std::min_element(latency.begin(), latency.end()));
  return 0;
}

int runSynth(int buffer, int notes, double intervalMs) {
  const auto file = (std::filesystem::temp_directory_path() /
                     ("korvane-timing-" + std::to_string(getpid()) + ".raw"))
                        .string();
  midi::SynthOptions options{"/usr/share/sounds/sf2/TimGM6mb.sf2", "file", file,
                             static_cast<std::uint32_t>(buffer)};
  double leadMs = 0;
  if (playToFile(options, notes, intervalMs, leadMs).empty()) {
    std::fprintf(stderr, "synthesizer not ready\n");
    return 1;
  }
  const auto samples = leftChannel(file);
  std::filesystem::remove(file);
  const double rate = 44100;
  std::vector<double> onsets;
  for (auto at : onsetsOf(samples, 300, static_cast<std::size_t>(rate * intervalMs / 4000)))
    onsets.push_back(at / rate);
  std::printf("synthesizer buffer %d frames at %.0f Hz; lead %.2f ms; %zu onsets of %d notes\n",
              buffer, rate, leadMs, onsets.size(), notes);
  printRow("  built-in synthesizer", intervalErrors(onsets, intervalMs));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "jack")
    return runJack(argc > 2 ? std::atoi(argv[2]) : 100, argc > 3 ? std::atof(argv[3]) : 120);
  if (mode == "drift" && argc > 2)
    return runDrift(std::atof(argv[2]), argc > 3 ? std::atof(argv[3]) : 60,
                    argc > 4 ? std::atof(argv[4]) : 120);
  if (mode == "synth" && argc > 2)
    return runSynth(std::atoi(argv[2]), argc > 3 ? std::atoi(argv[3]) : 100,
                    argc > 4 ? std::atof(argv[4]) : 120);
  std::fprintf(stderr,
               "usage: OutputTiming jack [notes] [ms] | synth <frames> [notes] [ms] | drift <ppm> "
               "[s] [ms]\n");
  return 2;
}

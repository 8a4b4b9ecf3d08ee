// The built-in synthesizer rendered to a file through FluidSynth's file driver.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "midi/Synth.h"

namespace {

using namespace std::chrono_literals;

const char* const kSmallFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

/// RMS of each 10 ms block of a raw 16-bit stereo file at 44.1 kHz.
std::vector<double> blockLevels(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), {});
  const auto* samples = reinterpret_cast<const std::int16_t*>(raw.data());
  const std::size_t count = raw.size() / 2, block = 441 * 2;
  std::vector<double> levels;
  for (std::size_t at = 0; at + block <= count; at += block) {
    double sum = 0;
    for (std::size_t i = at; i < at + block; ++i) sum += double(samples[i]) * samples[i];
    levels.push_back(std::sqrt(sum / block));
  }
  return levels;
}

enum class End { None, Reset, Panic };

/// Plays a note of program (an organ by default: it does not fade by itself), ends it as told,
/// and returns the levels.
std::vector<double> render(End end, int program = 16) {
  const auto file = (std::filesystem::temp_directory_path() /
                     ("korvane-synth-" + std::to_string(::getpid()) + ".raw"))
                        .string();
  {
    auto engine = std::make_shared<midi::SynthEngine>(midi::SynthOptions{kSmallFont, "file", file});
    auto port = engine->open();
    EXPECT_TRUE(engine->waitReady(20s));
    EXPECT_EQ(engine->soundFont(), kSmallFont);
    port->send({0xC0, program, 0});
    port->send({0x90, 60, 100});
    std::this_thread::sleep_for(400ms);
    if (end == End::Reset) port->reset();
    if (end == End::Panic) port->panic();
    std::this_thread::sleep_for(800ms);
    port->close();
  }
  auto levels = blockLevels(file);
  std::filesystem::remove(file);
  return levels;
}

TEST(SynthRender, NoteSoundsAndResetSilencesIt) {
  for (bool reset : {true, false}) {
    SCOPED_TRACE(reset ? "with reset" : "without reset");
    const auto levels = render(reset ? End::Reset : End::None);
    ASSERT_GT(levels.size(), 50u);
    const double loudest = *std::max_element(levels.begin(), levels.end());
    EXPECT_GT(loudest, 100.0) << "the note-on produced no sound";
    // The last 200 ms: silent after a reset, still sounding without one.
    const double tail = *std::max_element(levels.end() - 20, levels.end());
    if (reset)
      EXPECT_LT(tail, 20.0);
    else
      EXPECT_GT(tail, loudest / 4);
  }
}

TEST(SynthRender, PanicCutsTheReleaseThatAResetLeaves) {
  // String Ensemble fades out slowly after its note-off; the panic's all-sounds-off cuts it.
  auto tail = [](const std::vector<double>& levels) {
    return *std::max_element(levels.end() - 25, levels.end());
  };
  const auto reset = render(End::Reset, 48), panic = render(End::Panic, 48);
  ASSERT_GT(reset.size(), 50u);
  ASSERT_GT(panic.size(), 50u);
  EXPECT_GT(tail(reset), 50.0) << "no release to cut";
  EXPECT_LT(tail(panic), tail(reset) / 10);
}

TEST(SynthRender, MessagesBeforeReadyAreDropped) {
  const auto file = (std::filesystem::temp_directory_path() /
                     ("korvane-early-" + std::to_string(::getpid()) + ".raw"))
                        .string();
  {
    auto engine = std::make_shared<midi::SynthEngine>(midi::SynthOptions{kSmallFont, "file", file});
    auto port = engine->open();
    port->send({0xC0, 16, 0});
    port->send({0x90, 60, 100});  // most likely still loading: must not sound later
    const bool wasReady = engine->ready();
    ASSERT_TRUE(engine->waitReady(20s));
    std::this_thread::sleep_for(300ms);
    port->close();
    if (wasReady) GTEST_SKIP() << "loaded before the first message";
  }
  const auto levels = blockLevels(file);
  std::filesystem::remove(file);
  ASSERT_FALSE(levels.empty());
  EXPECT_LT(*std::max_element(levels.begin(), levels.end()), 5.0);
}

}  // namespace

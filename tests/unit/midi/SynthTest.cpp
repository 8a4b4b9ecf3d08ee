// The built-in synthesizer rendered to a file by the paced file stream, and in buffers of our
// own straight through its renderer.
#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "midi/Synth.h"
#include "midi/SynthRender.h"

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
std::string tempFile(const std::string& what) {
  return (std::filesystem::temp_directory_path() /
          ("korvane-" + what + "-" + std::to_string(::getpid()) + ".raw"))
      .string();
}

std::vector<double> render(End end, int program = 16) {
  const auto file = tempFile("synth");
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
  const auto file = tempFile("early");
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

TEST(SynthRender, ReopeningAfterACloseIsSilent) {
  // The window's reset and at once the close: the voices must not wait for the next open.
  for (int program : {16, 48}) {  // an organ that never fades, strings with a long release
    SCOPED_TRACE(program);
    const auto file = tempFile("reopen");
    auto engine = std::make_shared<midi::SynthEngine>(midi::SynthOptions{kSmallFont, "file", file});
    {
      auto port = engine->open();
      ASSERT_TRUE(engine->waitReady(20s));
      port->send({0xC0, program, 0});
      port->send({0x90, 60, 110});
      std::this_thread::sleep_for(300ms);
      port->reset();
      port->close();
    }
    const auto first = blockLevels(file);
    ASSERT_GT(*std::max_element(first.begin(), first.end()), 100.0);
    {
      auto port = engine->open();  // the stream writes the file afresh
      ASSERT_TRUE(engine->waitReady(20s));
      std::this_thread::sleep_for(300ms);
      port->close();
    }
    const auto levels = blockLevels(file);
    std::filesystem::remove(file);
    ASSERT_GT(levels.size(), 20u);
    EXPECT_LT(*std::max_element(levels.begin(), levels.end()), 2.0);
  }
}

/// A synthesizer of our own at 44.1 kHz with the small font, rendered buffer by buffer.
struct Rendered {
  fluid_settings_t* settings = new_fluid_settings();
  fluid_synth_t* synth = nullptr;
  midi::SynthQueue queue;
  Rendered() {
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    synth = new_fluid_synth(settings);
    fluid_synth_sfload(synth, kSmallFont, 1);
  }
  ~Rendered() {
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
  }
};

TEST(SynthRender, EachMessageWithinABlockOfItsFrame) {
  constexpr double kRate = 44100;
  constexpr std::int64_t kOrigin = 3'000'000'000;
  for (std::uint32_t quantum : {64u, 256u, 1024u}) {
    SCOPED_TRACE(quantum);
    auto r = std::make_unique<Rendered>();
    midi::SynthRenderer renderer(r->synth, r->queue);
    r->queue.push({0, 2, {0xC0, 16, 0}});
    // Moments at no particular frame: 137.3 ms apart, each note 50 ms long.
    std::vector<std::int64_t> moments;
    for (int i = 0; i < 12; ++i) {
      const auto at = kOrigin + 20'000'000 + i * 137'300'000LL;
      moments.push_back(at);
      r->queue.push({at, 3, {0x90, 72, 127}});
      r->queue.push({at + 50'000'000, 3, {0x80, 72, 0}});
    }
    std::vector<float> left, right(quantum);
    for (std::int64_t frame = 0; frame < static_cast<std::int64_t>(2 * kRate); frame += quantum) {
      left.resize(static_cast<std::size_t>(frame) + quantum);
      const auto heard = kOrigin + static_cast<std::int64_t>(std::llround(frame * 1e9 / kRate));
      renderer.render({left.data() + frame, right.data(), 1, quantum, heard, kRate}, heard);
    }
    const double lead = std::chrono::duration<double>(renderer.lead()).count();
    EXPECT_NEAR(lead, quantum / kRate + 0.002, 1 / kRate);
    // Each onset: the first loud sample after quiet, against its moment's frame plus the lead.
    std::vector<double> late;
    std::size_t quiet = 2000;
    for (std::size_t i = 0; i < left.size(); ++i) {
      if (std::fabs(left[i]) < 0.01f) {
        ++quiet;
        continue;
      }
      if (quiet >= 2000 && late.size() < moments.size())
        late.push_back(static_cast<double>(i) -
                       (static_cast<double>(moments[late.size()] - kOrigin) * 1e-9 + lead) * kRate);
      quiet = 0;
    }
    ASSERT_EQ(late.size(), moments.size());
    const auto [low, high] = std::minmax_element(late.begin(), late.end());
    EXPECT_GE(*low, -1.0);
    EXPECT_LT(*high - *low, 64.0) << "placement varies by more than a block";
    EXPECT_LT(*high, 64.0 + 64) << "later than a block and the organ's attack";
  }
}

TEST(SynthFonts, AnUnloadableFontIsSaidOnceWithWhatPlaysInstead) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("korvane-fonts-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string prefix(1 << 20, '\0');
  std::ifstream(kSmallFont, std::ios::binary).read(prefix.data(), 1 << 20);
  struct Case {
    const char* name;
    std::string bytes;
    bool fallback;
    const char* said;
  } cases[] = {
      {"empty.sf2", "", true, "playing "},
      {"truncated.sf2", prefix, true, "playing "},
      {"missing.sf2", "-", true, "playing "},
      {"garbage.sf2", std::string(5000, 'x'), false, "stays silent"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.fallback ? " with fallback" : " alone"));
    const auto path = (dir / c.name).string();
    std::filesystem::remove(path);
    if (c.bytes != "-") std::ofstream(path, std::ios::binary) << c.bytes;
    midi::SynthOptions options{path, "none", ""};
    options.fallbackFonts = c.fallback;
    auto engine = midi::synthEngine(options);
    ASSERT_TRUE(engine);
    testing::internal::CaptureStderr();
    auto port = engine->open();
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!engine->ready() && !engine->unusable() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(5ms);
    port->close();
    port = engine->open();  // loading again says nothing again
    port->close();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("korvane: the SoundFont " + path + " could not be loaded; "),
              std::string::npos)
        << said;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "said more than once: " << said;
    EXPECT_EQ(engine->unusable(), !c.fallback);
    EXPECT_EQ(engine->soundFont().empty(), !c.fallback);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace

TEST(SynthRender, FollowsAStreamThatComesBackAtAnotherRate) {
  // An ocarina's A4 (440 Hz), nearly a sine: zero crossings in the last half of a 0.5 s buffer
  // count its pitch. Rendered at a stale rate it would sound an octave off.
  struct Row {
    double rate;
    int crossings;
  };
  const Row rows[] = {{44100, 220}, {22050, 220}, {48000, 220}};
  auto r = std::make_unique<Rendered>();
  midi::SynthRenderer renderer(r->synth, r->queue);
  std::int64_t heard = 1'000'000'000;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rate);
    const auto frames = static_cast<std::uint32_t>(row.rate / 2);
    std::vector<float> left(frames), right(frames);
    r->queue.push({0, 2, {0xC0, 79, 0}});
    r->queue.push({0, 3, {0x90, 69, 100}});
    renderer.render({left.data(), right.data(), 1, frames, heard, row.rate}, heard);
    r->queue.push({0, 0, {}});  // the cut
    heard += 500'000'000;
    int crossings = 0;
    for (std::size_t i = frames / 2; i < frames; ++i)
      crossings += (left[i - 1] < 0) != (left[i] < 0);
    EXPECT_NEAR(crossings, row.crossings, 6);
  }
}

#include "midi/Synth.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "midi/Log.h"

namespace midi {
namespace {

// Sequencer ticks per second: finer than FluidSynth's 64-sample block at any sample rate.
constexpr double kTicksPerSecond = 10000;
const char* const kSynthName = "Korvane 内蔵シンセサイザー";
const char* const kShippedFonts[] = {"/usr/share/sounds/sf2/default-GM.sf2",
                                     "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                                     "/usr/share/sounds/sf2/TimGM6mb.sf2"};
// The desktop's sound server first, then the sound card, then JACK.
const char* const kDesktopDrivers[] = {"pipewire", "pulseaudio", "alsa", "jack"};

std::string envOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

void quietLog(int level, const char* message, void*) {
  logLine("fluidsynth %d: %s", level, message);
}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

/// Probing drivers that are absent makes FluidSynth and ALSA talk; only KORVANE_MIDI_LOG shows it.
void silenceLibraries() {
  static const bool done = [] {
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
      fluid_set_log_function(level, &quietLog, nullptr);
    if (!logging()) snd_lib_error_set_handler(&quietAlsa);
    return true;
  }();
  (void)done;
}

bool driverCompiled(fluid_settings_t* settings, const std::string& name) {
  char* options = fluid_settings_option_concat(settings, "audio.driver", ",");
  if (options == nullptr) return false;
  const bool found = (std::string(",") + options + ",").find("," + name + ",") != std::string::npos;
  fluid_free(options);
  return found;
}

/// FluidSynth's synth.default-soundfont as this installation sets it.
std::string settingDefaultFont(fluid_settings_t* settings) {
  char* path = nullptr;
  fluid_settings_dupstr(settings, "synth.default-soundfont", &path);
  std::string out = path ? path : "";
  fluid_free(path);
  return out;
}

bool isFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

struct SynthEngine::Fluid {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_sequencer_t* sequencer = nullptr;  // driven by the synthesizer's own rendering
  fluid_seq_id_t destination = -1;
  fluid_audio_driver_t* driver = nullptr;
  bool fontLoaded = false;

  ~Fluid() {
    if (driver) delete_fluid_audio_driver(driver);
    if (sequencer) delete_fluid_sequencer(sequencer);
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }
};

/// A port on the built-in synthesizer; holds the audio driver while open.
class SynthPort : public Port {
 public:
  explicit SynthPort(std::shared_ptr<SynthEngine> engine) : engine_(std::move(engine)) {
    engine_->acquire();
  }
  ~SynthPort() override { closeDevice(); }
  std::chrono::nanoseconds lead() const override { return engine_->lead(); }

 protected:
  void writeAt(const std::uint8_t* bytes, std::size_t size, Moment at) override {
    if (held_) engine_->play(bytes, size, at);
  }
  void closeDevice() override {
    if (!held_) return;
    held_ = false;
    engine_->release();
  }

 private:
  std::shared_ptr<SynthEngine> engine_;
  bool held_ = true;
};

SynthOptions SynthOptions::fromEnvironment() {
  return {envOr("KORVANE_SOUNDFONT", ""), envOr("KORVANE_SYNTH_DRIVER", ""),
          envOr("KORVANE_SYNTH_FILE", "korvane.wav"), 0};
}

std::vector<std::string> soundFontCandidates(const SynthOptions& options,
                                             const std::string& settingDefault) {
  std::vector<std::string> paths;
  auto add = [&paths](const std::string& path) {
    if (!path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end())
      paths.push_back(path);
  };
  add(options.soundFont);
  add(settingDefault);
  for (const char* path : kShippedFonts) add(path);
  return paths;
}

SynthEngine::SynthEngine(SynthOptions options)
    : options_(std::move(options)), fluid_(std::make_unique<Fluid>()) {}

SynthEngine::~SynthEngine() {
  if (loader_.joinable()) loader_.join();
}

std::unique_ptr<Port> SynthEngine::open() {
  return std::make_unique<SynthPort>(shared_from_this());
}

bool SynthEngine::waitReady(std::chrono::milliseconds timeout) const {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (!ready() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return ready();
}

std::string SynthEngine::soundFont() const {
  std::lock_guard lock(fontMutex_);
  return font_;
}

void SynthEngine::acquire() {
  if (users_++ > 0) return;
  if (loader_.joinable()) loader_.join();
  loader_ = std::thread([this] { load(); });
}

void SynthEngine::release() {
  if (--users_ > 0) return;
  // The loader may still be creating the driver; it must be done before the driver goes.
  if (loader_.joinable()) loader_.join();
  ready_.store(false, std::memory_order_release);
  auto& f = *fluid_;
  if (f.driver) delete_fluid_audio_driver(f.driver);
  f.driver = nullptr;
  // What is still queued belongs to the closed port: it must not sound on the next open.
  if (f.sequencer) fluid_sequencer_remove_events(f.sequencer, -1, f.destination, -1);
}

void SynthEngine::load() {
  const auto started = std::chrono::steady_clock::now();
  silenceLibraries();
  auto& f = *fluid_;
  if (f.settings == nullptr) {
    f.settings = new_fluid_settings();
    fluid_settings_setint(f.settings, "audio.jack.autoconnect", 1);
    fluid_settings_setstr(f.settings, "audio.jack.id", "Korvane");
    fluid_settings_setstr(f.settings, "audio.file.name", options_.file.c_str());
    fluid_settings_setstr(f.settings, "audio.file.type", "auto");
    if (options_.periodSize > 0)
      fluid_settings_setint(f.settings, "audio.period-size", options_.periodSize);
    f.synth = new_fluid_synth(f.settings);
    if (f.synth) {
      f.sequencer = new_fluid_sequencer2(0);
      fluid_sequencer_set_time_scale(f.sequencer, kTicksPerSecond);
      f.destination = fluid_sequencer_register_fluidsynth(f.sequencer, f.synth);
    }
  }
  if (f.synth == nullptr || f.sequencer == nullptr) return;
  createDriver();
  if (!f.fontLoaded) {
    for (const auto& path : soundFontCandidates(options_, settingDefaultFont(f.settings))) {
      if (!isFile(path)) continue;
      if (fluid_synth_sfload(f.synth, path.c_str(), 1) == FLUID_FAILED) continue;
      f.fontLoaded = true;
      std::lock_guard lock(fontMutex_);
      font_ = path;
      break;
    }
  }
  if (!f.fontLoaded) {
    logLine("no SoundFont could be loaded");
    return;  // stays silent: every message is dropped
  }
  if (f.driver) calibrate();
  ready_.store(true, std::memory_order_release);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  logLine("synthesizer ready (%s) after %lld ms", soundFont().c_str(),
          static_cast<long long>(ms.count()));
}

void SynthEngine::createDriver() {
  auto& f = *fluid_;
  if (f.driver != nullptr || options_.driver == "none") return;
  std::vector<std::string> drivers;
  if (!options_.driver.empty()) {
    drivers.push_back(options_.driver);
  } else {
    for (const char* name : kDesktopDrivers)
      if (driverCompiled(f.settings, name)) drivers.push_back(name);
  }
  std::string tried;
  for (const auto& name : drivers) {
    fluid_settings_setstr(f.settings, "audio.driver", name.c_str());
    f.driver = new_fluid_audio_driver(f.settings, f.synth);
    if (f.driver != nullptr) {
      logLine("audio through %s", name.c_str());
      return;
    }
    tried += (tried.empty() ? "" : ", ") + name;
  }
  // Said once, whatever the log setting: otherwise nothing tells why nothing is heard.
  if (!toldNoAudio_.exchange(true))
    std::fprintf(stderr, "korvane: the built-in synthesizer has no audio output (tried: %s)\n",
                 tried.empty() ? "no driver available" : tried.c_str());
}

void SynthEngine::calibrate() {
  // The sequencer's tick moves only when the driver renders, a buffer at a time, ahead of what
  // is heard. The largest step seen is that buffer (the lead); the highest of tick less time
  // elapsed is where the rendering stands, so a moment plus the lead is never already rendered.
  using namespace std::chrono;
  auto* seq = fluid_->sequencer;
  const auto start = steady_clock::now();
  unsigned previous = fluid_sequencer_get_tick(seq), steps = 0, largest = 0;
  double line = previous;
  for (auto now = start; now - start < 300ms && (steps < 4 || now - start < 30ms);) {
    std::this_thread::sleep_for(100us);
    now = steady_clock::now();
    const unsigned tick = fluid_sequencer_get_tick(seq);
    if (tick != previous) ++steps;
    largest = std::max(largest, tick - previous);
    previous = tick;
    line = std::max(line, tick - duration<double>(now - start).count() * kTicksPerSecond);
  }
  origin_ = start;
  originTick_ = line;
  // At least one FluidSynth block of 64 samples, the sequencer's own granularity; and 2 ms more
  // for a driver whose buffers come irregularly and a sending thread that woke late.
  const double block = 64.0 * kTicksPerSecond / sampleRate();
  leadTicks_ = std::max<double>(largest, block) + kTicksPerSecond * 0.002;
  lastTick_ = 0;
  logLine("synthesizer lead %.2f ms", leadTicks_ * 1000.0 / kTicksPerSecond);
}

double SynthEngine::sampleRate() const {
  double rate = 44100;
  fluid_settings_getnum(fluid_->settings, "synth.sample-rate", &rate);
  return rate;
}

std::chrono::nanoseconds SynthEngine::lead() const {
  if (!ready()) return {};
  return std::chrono::nanoseconds(static_cast<long long>(leadTicks_ * 1e9 / kTicksPerSecond));
}

unsigned SynthEngine::tickFor(Moment at) {
  // Rendering found ahead of the line (the calibration ran while it lagged): move the line up
  // to it, once, rather than play every later message a little late.
  const auto since = [this](Moment m) {
    return std::max(0.0, std::chrono::duration<double>(m - origin_).count()) * kTicksPerSecond;
  };
  const double rendered = fluid_sequencer_get_tick(fluid_->sequencer);
  originTick_ = std::max(originTick_, rendered - since(std::chrono::steady_clock::now()));
  const double elapsed = since(at) / kTicksPerSecond;
  const auto tick = static_cast<unsigned>(originTick_ + leadTicks_ + elapsed * kTicksPerSecond);
  // One tick apart at least: FluidSynth orders events of one tick by their kind, not by arrival.
  lastTick_ = lastTick_ == 0 ? tick : std::max(tick, lastTick_ + 1);
  return lastTick_;
}

void SynthEngine::play(const std::uint8_t* bytes, std::size_t size, Moment at) {
  // Without a driver nothing renders: a queued event would wait for ever.
  if (!ready() || fluid_->driver == nullptr || size < 2) return;
  const int channel = bytes[0] & 0x0F, d1 = bytes[1], d2 = size > 2 ? bytes[2] : 0;
  std::unique_ptr<fluid_event_t, void (*)(fluid_event_t*)> event(new_fluid_event(),
                                                                 &delete_fluid_event);
  auto* e = event.get();
  switch (bytes[0] & 0xF0) {
    case 0x80:
      fluid_event_noteoff(e, channel, static_cast<short>(d1));
      break;
    case 0x90:
      fluid_event_noteon(e, channel, static_cast<short>(d1), static_cast<short>(d2));
      break;
    case 0xA0:
      fluid_event_key_pressure(e, channel, static_cast<short>(d1), d2);
      break;
    case 0xB0:
      fluid_event_control_change(e, channel, static_cast<short>(d1), d2);
      break;
    case 0xC0:
      fluid_event_program_change(e, channel, d1);
      break;
    case 0xD0:
      fluid_event_channel_pressure(e, channel, d1);
      break;
    case 0xE0:
      fluid_event_pitch_bend(e, channel, d1 | (d2 << 7));
      break;
    default:
      return;
  }
  fluid_event_set_source(e, -1);
  fluid_event_set_dest(e, fluid_->destination);
  fluid_sequencer_send_at(fluid_->sequencer, e, tickFor(at), 1);
}

std::optional<DeviceEntry> synthEntry(const SynthOptions& options) {
  // Listed only when there is a SoundFont to play.
  silenceLibraries();
  fluid_settings_t* settings = new_fluid_settings();
  const auto paths = soundFontCandidates(options, settings ? settingDefaultFont(settings) : "");
  if (settings) delete_fluid_settings(settings);
  if (std::none_of(paths.begin(), paths.end(), isFile)) return std::nullopt;
  auto engine = std::make_shared<SynthEngine>(options);
  return DeviceEntry{kSynthName, [engine] { return engine->open(); }};
}

}  // namespace midi

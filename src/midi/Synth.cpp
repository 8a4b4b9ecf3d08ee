#include "midi/Synth.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "midi/Log.h"

namespace midi {
namespace {

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
  fluid_audio_driver_t* driver = nullptr;
  bool fontLoaded = false;

  ~Fluid() {
    if (driver) delete_fluid_audio_driver(driver);
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

 protected:
  void write(const std::uint8_t* bytes, std::size_t size) override {
    if (held_) engine_->play(bytes, size);
  }
  void resetDevice() override {
    if (held_) engine_->allNotesOff();
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
          envOr("KORVANE_SYNTH_FILE", "korvane.wav")};
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
  if (fluid_->driver) delete_fluid_audio_driver(fluid_->driver);
  fluid_->driver = nullptr;
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
    f.synth = new_fluid_synth(f.settings);
  }
  if (f.synth == nullptr) return;
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
  for (const auto& name : drivers) {
    fluid_settings_setstr(f.settings, "audio.driver", name.c_str());
    f.driver = new_fluid_audio_driver(f.settings, f.synth);
    if (f.driver != nullptr) {
      logLine("audio through %s", name.c_str());
      return;
    }
  }
  logLine("no audio driver");
}

void SynthEngine::play(const std::uint8_t* bytes, std::size_t size) {
  if (!ready() || size < 2) return;
  auto* synth = fluid_->synth;
  const int channel = bytes[0] & 0x0F, d1 = bytes[1], d2 = size > 2 ? bytes[2] : 0;
  switch (bytes[0] & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(synth, channel, d1);
      break;
    case 0x90:
      fluid_synth_noteon(synth, channel, d1, d2);
      break;
    case 0xA0:
      fluid_synth_key_pressure(synth, channel, d1, d2);
      break;
    case 0xB0:
      fluid_synth_cc(synth, channel, d1, d2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth, channel, d1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(synth, channel, d1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth, channel, d1 | (d2 << 7));
      break;
    default:
      break;
  }
}

void SynthEngine::allNotesOff() {
  if (ready()) fluid_synth_all_notes_off(fluid_->synth, -1);
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

// Loading the synthesizer: its options, its SoundFont, and the stream it renders into.
#include <alsa/asoundlib.h>
#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "midi/FileStream.h"
#include "midi/FluidDriver.h"
#include "midi/JackAudio.h"
#include "midi/Log.h"
#include "midi/SynthFluid.h"

namespace midi {
namespace {

using namespace std::chrono_literals;

const char* const kShippedFonts[] = {"/usr/share/sounds/sf2/default-GM.sf2",
                                     "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                                     "/usr/share/sounds/sf2/TimGM6mb.sf2"};
// The desktop's sound server first, then JACK, then FluidSynth's drivers.
const char* const kStreams[] = {"pipewire", "jack", "pulseaudio", "alsa"};

std::string envOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

/// A whole number from 1 to 8192 in variable name, else fallback.
std::uint32_t framesFrom(const char* name, std::uint32_t fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == 0) return fallback;
  char* end = nullptr;
  const long n = std::strtol(value, &end, 10);
  return *end == 0 && n >= 1 && n <= 8192 ? static_cast<std::uint32_t>(n) : fallback;
}

void quietLog(int level, const char* message, void*) {
  logLine("fluidsynth %d: %s", level, message);
}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

/// libinstpatch's complaints about a broken SoundFont name no file; ours does.
void quietGlib(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
  logLine("glib: %s", message);
}

/// Probing drivers that are absent makes FluidSynth and ALSA talk; only KORVANE_MIDI_LOG shows it.
void silenceLibraries() {
  static const bool done = [] {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
      fluid_set_log_function(level, &quietLog, nullptr);
    if (!logging()) snd_lib_error_set_handler(&quietAlsa);
    for (const char* domain : {static_cast<const char*>(nullptr), "libInstPatch"})
      g_log_set_handler(domain,
                        static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                        &quietGlib, nullptr);
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

std::int64_t steadyNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

SynthOptions SynthOptions::fromEnvironment() {
  SynthOptions options{envOr("KORVANE_SOUNDFONT", ""), envOr("KORVANE_SYNTH_DRIVER", ""),
                       envOr("KORVANE_SYNTH_FILE", "korvane.wav"),
                       framesFrom("KORVANE_AUDIO_QUANTUM", kDefaultAudioQuantum)};
  const std::string ppm = envOr("KORVANE_SYNTH_PPM", "");
  if (!ppm.empty()) options.ppm = std::clamp(std::atof(ppm.c_str()), -1000.0, 1000.0);
  return options;
}

std::vector<std::string> soundFontCandidates(const SynthOptions& options,
                                             const std::string& settingDefault) {
  std::vector<std::string> paths;
  auto add = [&paths](const std::string& path) {
    if (!path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end())
      paths.push_back(path);
  };
  add(options.soundFont);
  if (!options.fallbackFonts && !options.soundFont.empty()) return paths;
  add(settingDefault);
  for (const char* path : kShippedFonts) add(path);
  return paths;
}

void SynthEngine::load() {
  const auto started = std::chrono::steady_clock::now();
  if (unusable_) return;  // said once already
  silenceLibraries();
  auto& f = *fluid_;
  if (f.settings == nullptr) f.settings = new_fluid_settings();
  if (f.settings == nullptr) return;
  std::vector<std::string> names;
  if (!options_.driver.empty()) {
    names.push_back(options_.driver);
  } else {
    for (const char* name : kStreams)
      if (std::string(name) == "pipewire" || std::string(name) == "jack" ||
          driverCompiled(f.settings, name))
        names.push_back(name);
  }
  std::string tried;
  bool running = options_.driver == "none";
  for (const auto& name : names) {
    if (running || unusable_) break;
    running = startStream(name);
    tried += (tried.empty() ? "" : ", ") + name;
  }
  if (!running && !unusable_ && !toldNoAudio_.exchange(true))
    // Said once, whatever the log setting: otherwise nothing tells why nothing is heard.
    std::fprintf(stderr, "korvane: the built-in synthesizer has no audio output (tried: %s)\n",
                 tried.empty() ? "no driver available" : tried.c_str());
  if (!f.stream && !prepare(44100)) return;  // no output: loaded all the same, and silent
  ready_.store(true, std::memory_order_release);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  logLine("synthesizer ready (%s, %s) after %lld ms", soundFont().c_str(),
          f.stream ? f.stream->name().c_str() : "no stream", static_cast<long long>(ms.count()));
}

bool SynthEngine::startStream(const std::string& name) {
  auto& f = *fluid_;
  const std::uint32_t quantum = options_.quantum > 0 ? options_.quantum : kDefaultAudioQuantum;
  std::unique_ptr<AudioOut> stream;
  if (name == "pipewire")
    stream = openPipeWire(quantum);
  else if (name == "jack")
    stream = openJackAudio(sharedJackClient());
  else if (name == "file")
    stream = openFileStream(options_.file, quantum, options_.ppm);
  else
    stream = openFluidDriver(f.settings, name, quantum);
  if (!stream || !prepare(stream->rate())) return false;
  f.renderer->restart();
  auto* renderer = f.renderer.get();
  const auto render = [renderer](const AudioBuffer& b) { renderer->render(b, steadyNow()); };
  const auto report = [](const std::string& line) {
    std::fprintf(stderr, "korvane: %s\n", line.c_str());
  };
  if (!stream->start(render, report)) return false;
  // The first buffer gives the lead; a stream that does not call (a suspended sink) is kept.
  const auto until = std::chrono::steady_clock::now() + 500ms;
  while (renderer->buffers() == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(1ms);
  logLine("audio through %s, %u frames at %.0f Hz", stream->name().c_str(), stream->bufferFrames(),
          stream->rate());
  f.stream = std::move(stream);
  return true;
}

bool SynthEngine::prepare(double rate) {
  auto& f = *fluid_;
  if (f.synth && f.rate != rate) {
    // A stream at another rate: a synthesizer made for it (FluidSynth's rate is fixed).
    f.renderer.reset();
    delete_fluid_synth(f.synth);
    f.synth = nullptr;
    f.fontLoaded = false;
  }
  if (!f.synth) {
    fluid_settings_setnum(f.settings, "synth.sample-rate", rate);
    // Only the stream's callback touches it while it plays: no lock inside FluidSynth.
    fluid_settings_setint(f.settings, "synth.threadsafe-api", 0);
    f.synth = new_fluid_synth(f.settings);
    if (!f.synth) return false;
    f.rate = rate;
    f.renderer = std::make_unique<SynthRenderer>(f.synth, *f.queue);
  }
  return f.fontLoaded || loadFont();
}

bool SynthEngine::loadFont() {
  auto& f = *fluid_;
  std::vector<std::string> failed;
  for (const auto& path : soundFontCandidates(options_, settingDefaultFont(f.settings))) {
    // The one asked for counts even when missing; the shipped ones only when installed.
    if (!isFile(path)) {
      if (path == options_.soundFont) failed.push_back(path);
      continue;
    }
    if (fluid_synth_sfload(f.synth, path.c_str(), 1) == FLUID_FAILED) {
      failed.push_back(path);
      continue;
    }
    f.fontLoaded = true;
    {
      std::lock_guard lock(fontMutex_);
      font_ = path;
    }
    if (!failed.empty() && !std::exchange(toldFont_, true))
      std::fprintf(stderr, "korvane: the SoundFont %s could not be loaded; playing %s instead\n",
                   failed.front().c_str(), path.c_str());
    return true;
  }
  if (!std::exchange(toldFont_, true))
    std::fprintf(stderr,
                 "korvane: the SoundFont %s could not be loaded; the built-in synthesizer stays "
                 "silent\n",
                 failed.empty() ? "(none found)" : failed.front().c_str());
  unusable_ = true;
  return false;
}

std::shared_ptr<SynthEngine> synthEngine(const SynthOptions& options) {
  // Listed only when there is a SoundFont to play.
  silenceLibraries();
  fluid_settings_t* settings = new_fluid_settings();
  const auto paths = soundFontCandidates(options, settings ? settingDefaultFont(settings) : "");
  if (settings) delete_fluid_settings(settings);
  if (std::none_of(paths.begin(), paths.end(), isFile)) return nullptr;
  return std::make_shared<SynthEngine>(options);
}

}  // namespace midi

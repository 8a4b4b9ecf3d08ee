// The built-in synthesizer: FluidSynth playing a General MIDI SoundFont, rendered by Korvane in
// the callback of an audio stream of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "midi/AudioOut.h"
#include "midi/DeviceList.h"

namespace midi {

/// How the synthesizer finds its SoundFont and where its sound goes.
struct SynthOptions {
  std::string soundFont;      ///< tried first when not empty
  std::string driver;         ///< one stream only ("pipewire", "jack", "pulseaudio", "alsa",
                              ///< "file"); empty: the first that opens; "none": no output
  std::string file;           ///< output of the "file" stream (WAV when it ends in ".wav")
  std::uint32_t quantum = 0;  ///< frames per buffer asked for; 0: 256
  double ppm = 0;             ///< the "file" stream's simulated device clock, ppm fast
  bool fallbackFonts = true;  ///< false: soundFont or nothing (for tests)

  /// KORVANE_SOUNDFONT, KORVANE_SYNTH_DRIVER, KORVANE_SYNTH_FILE, KORVANE_AUDIO_QUANTUM and
  /// KORVANE_SYNTH_PPM; all optional, read when called.
  static SynthOptions fromEnvironment();
};

/// The SoundFont paths to try, in order, without duplicates: the option, then (unless the
/// options say no) FluidSynth's synth.default-soundfont (settingDefault) and the three General
/// MIDI fonts Debian ships.
std::vector<std::string> soundFontCandidates(const SynthOptions& options,
                                             const std::string& settingDefault);

/// One FluidSynth synthesizer shared by every port opened on it. The first open starts a
/// loading thread (SoundFont, audio stream), so opening never waits; until it is done every
/// message is dropped, and always when there is no audio stream. Each message is applied in the
/// stream's callback at its moment plus lead() (one buffer, what the device holds, and 2 ms),
/// within one 64-sample block of its frame. The last port's close plays what is queued, ends
/// every voice, and then stops the stream.
class SynthEngine : public std::enable_shared_from_this<SynthEngine> {
 public:
  explicit SynthEngine(SynthOptions options);
  ~SynthEngine();
  SynthEngine(const SynthEngine&) = delete;
  SynthEngine& operator=(const SynthEngine&) = delete;

  /// A port playing on this synthesizer; starts loading when needed. Never null.
  std::unique_ptr<Port> open();
  /// True once a SoundFont is loaded and the audio stream (if any) is running.
  bool ready() const { return ready_.load(std::memory_order_acquire); }
  /// Waits up to timeout for ready(); returns ready().
  bool waitReady(std::chrono::milliseconds timeout) const;
  /// Path of the loaded SoundFont; empty before loading or when none could be loaded.
  std::string soundFont() const;
  /// True once loading found no SoundFont that loads: the synthesizer stays silent.
  bool unusable() const { return unusable_.load(); }
  /// Time from a message's moment to its sound at the device; zero until ready.
  std::chrono::nanoseconds lead() const;
  /// The stream's name ("jack", "file", …); empty while there is none.
  std::string streamName() const;

 private:
  friend class SynthPort;
  struct Fluid;  // FluidSynth's objects and the stream, touched by the loader until ready
  void acquire();
  void release();
  void load();
  bool prepare(double rate);
  bool loadFont();
  bool startStream(const std::string& name);
  void closeStream();
  void play(const std::uint8_t* bytes, std::size_t size, Moment at);

  SynthOptions options_;
  std::atomic<bool> ready_{false}, unusable_{false};
  int users_ = 0;
  std::thread loader_;
  std::unique_ptr<Fluid> fluid_;
  mutable std::mutex fontMutex_;
  std::string font_;
  bool toldFont_ = false;
  std::atomic<bool> toldNoAudio_{false}, toldFull_{false};
  std::mutex senders_;  // the queue has one writer at a time
  std::int64_t lastNs_ = 0;
};

/// The synthesizer of options; null when no SoundFont file exists.
std::shared_ptr<SynthEngine> synthEngine(const SynthOptions& options);
/// Its list entry "Korvane 内蔵シンセサイザー".
DeviceEntry synthEntry(std::shared_ptr<SynthEngine> engine);

}  // namespace midi

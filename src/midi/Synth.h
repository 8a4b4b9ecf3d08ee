// The built-in synthesizer: FluidSynth playing a General MIDI SoundFont.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "midi/DeviceList.h"

namespace midi {

/// How the synthesizer finds its SoundFont and where its sound goes.
struct SynthOptions {
  std::string soundFont;  ///< tried first when not empty
  std::string driver;     ///< FluidSynth audio driver; empty: the desktop's; "none": no output
  std::string file;       ///< output file of the "file" driver (type from its extension)
  int periodSize = 0;     ///< audio buffer in frames; 0: FluidSynth's default

  /// KORVANE_SOUNDFONT, KORVANE_SYNTH_DRIVER and KORVANE_SYNTH_FILE; all optional.
  static SynthOptions fromEnvironment();
};

/// The SoundFont paths to try, in order, without duplicates: the option, FluidSynth's
/// synth.default-soundfont (settingDefault), then the three General MIDI fonts Debian ships.
std::vector<std::string> soundFontCandidates(const SynthOptions& options,
                                             const std::string& settingDefault);

/// One FluidSynth synthesizer shared by every port opened on it. The first open starts a
/// loading thread (synthesizer, audio driver, SoundFont), so opening never waits; until it is
/// done every message is dropped, and always when there is no audio driver. Messages go through
/// FluidSynth's sequencer, each at its moment plus lead() (one audio buffer and 2 ms), so every
/// onset lands within one 64-sample block of its moment whatever the buffer size. The audio driver
/// is released, and what is still queued dropped, when the last port closes.
class SynthEngine : public std::enable_shared_from_this<SynthEngine> {
 public:
  explicit SynthEngine(SynthOptions options);
  ~SynthEngine();
  SynthEngine(const SynthEngine&) = delete;
  SynthEngine& operator=(const SynthEngine&) = delete;

  /// A port playing on this synthesizer; starts loading when needed. Never null.
  std::unique_ptr<Port> open();
  /// True once a SoundFont is loaded and the audio driver (if any) is running.
  bool ready() const { return ready_.load(std::memory_order_acquire); }
  /// Waits up to timeout for ready(); returns ready().
  bool waitReady(std::chrono::milliseconds timeout) const;
  /// Path of the loaded SoundFont; empty before loading or when none could be loaded.
  std::string soundFont() const;
  /// Time from a message's moment to its sound leaving the synthesizer; zero until ready.
  std::chrono::nanoseconds lead() const;

 private:
  friend class SynthPort;
  void acquire();
  void release();
  void load();
  void createDriver();
  void calibrate();
  double sampleRate() const;
  unsigned tickFor(Moment at);
  void play(const std::uint8_t* bytes, std::size_t size, Moment at);

  SynthOptions options_;
  std::atomic<bool> ready_{false};
  int users_ = 0;
  std::thread loader_;
  struct Fluid;  // FluidSynth's objects, touched by the loader until ready
  std::unique_ptr<Fluid> fluid_;
  mutable std::mutex fontMutex_;
  std::string font_;
  std::atomic<bool> toldNoAudio_{false};
  // The steady clock against the sequencer's ticks, fixed by calibrate() before ready().
  Moment origin_{};
  double originTick_ = 0, leadTicks_ = 0;
  unsigned lastTick_ = 0;
};

/// The list entry "Korvane 内蔵シンセサイザー"; nullopt when no SoundFont file exists.
std::optional<DeviceEntry> synthEntry(const SynthOptions& options);

}  // namespace midi

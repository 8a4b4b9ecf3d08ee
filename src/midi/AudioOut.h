// Where the built-in synthesizer's sound goes: an audio stream of Korvane's own that calls back
// once per buffer, so that Korvane renders the synthesizer and knows when each buffer is heard.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace midi {

/// Frames per buffer asked of a sound server unless told otherwise: 2.7 ms at 48 kHz, so a
/// press is heard within about 15 ms on a desktop server.
inline constexpr std::uint32_t kDefaultAudioQuantum = 128;

/// One buffer the stream asks for, as the device tells it.
struct AudioBuffer {
  float* left = nullptr;     ///< first left sample; the next one is stride floats further
  float* right = nullptr;    ///< first right sample, same stride
  int stride = 1;            ///< 1 for separate channel buffers, 2 for interleaved stereo
  std::uint32_t frames = 0;  ///< frames to render
  std::int64_t heardNs = 0;  ///< steady-clock ns at which the first frame reaches the device
  double rate = 48000;       ///< the stream's sample rate for this buffer
  /// The device's own count of the first frame, wrapping at 2^32, where the device tells it
  /// (JACK's frame time, PipeWire's graph position): it jumps over a cycle the device skipped,
  /// so what follows a skip is placed right at once. Otherwise frames are counted as rendered.
  std::optional<std::uint32_t> frame = std::nullopt;
};

/// Renders one buffer. Runs on the stream's real-time thread: no blocking lock, no allocation.
using RenderFn = std::function<void(const AudioBuffer&)>;
/// Takes one line for standard error (the stream failed, went away, came back); any thread.
using ReportFn = std::function<void(const std::string&)>;

/// An audio stream that Korvane renders into.
class AudioOut {
 public:
  virtual ~AudioOut() = default;
  /// Starts calling render once per buffer. False when the stream cannot be opened.
  virtual bool start(RenderFn render, ReportFn report) = 0;
  /// Stops the callbacks: when it returns, render is not running and will not run again.
  virtual void stop() = 0;
  /// Frames per buffer in use now (the quantum); 0 before start.
  virtual std::uint32_t bufferFrames() const = 0;
  /// Sample rate in use now.
  virtual double rate() const = 0;
  /// The backend's name for the log ("pipewire", "jack", "pulseaudio", "alsa", "file").
  virtual std::string name() const = 0;
};

/// A native PipeWire stream asking for quantum frames per buffer; null when no PipeWire daemon
/// answers (quickly: never waits for a server that is not there).
std::unique_ptr<AudioOut> openPipeWire(std::uint32_t quantum);

}  // namespace midi

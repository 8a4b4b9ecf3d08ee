// Korvane's one JACK client: lists the MIDI inputs of other programs and plays every message at
// its own frame of the cycle.
#pragma once

#include <jack/types.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "midi/AudioOut.h"
#include "midi/FrameClock.h"
#include "midi/JackQueue.h"
#include "midi/JackSync.h"
#include "midi/Port.h"

namespace midi {

class JackClient {
 public:
  /// Opens the client of exactly this name on the running server; null when none runs (never
  /// starts one, prints nothing) or when another program holds the name (said once on stderr).
  /// lost is called, on a thread of JACK's, once the server has gone away.
  static std::shared_ptr<JackClient> open(const std::string& name = "Korvane",
                                          std::function<void()> lost = {});
  /// The one client of the run (sharedJackClient), opened on first use and again once its
  /// server went away; null when no server runs.
  static std::shared_ptr<JackClient> shared();
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  /// Full names ("client:port") of every MIDI input port on the server, in the server's order.
  std::vector<std::string> inputPorts();
  /// Registers the output port name, connected to the input target unless target is empty;
  /// the port's number, or −1 when it cannot be registered or connected.
  int addPort(const std::string& name, const std::string& target);
  /// Queues a message of 1–3 bytes for port, to be written at moment at plus lead(); silencing:
  /// one of a reset or a panic, which has room kept for it. False when it is dropped: the queue
  /// is full (the server stalled for seconds; the count is logged once it has room again) or
  /// the server is gone.
  bool queue(int port, const std::uint8_t* bytes, std::size_t size, Moment at,
             bool silencing = false);
  /// Lets what is queued for port play out (at most half a second), then removes the port.
  void removePort(int port);
  /// Full names of every MIDI output port of other programs: the clock sources to listen to.
  std::vector<std::string> outputPorts();
  /// Activates the client (once); false when the server refuses or has gone.
  bool activate();
  /// The clock input "Korvane:clock_in", registered once, connected to source alone (nothing
  /// when source is empty); false when it cannot be registered or connected.
  bool listenClock(const std::string& source);
  /// Disconnects the clock input.
  void stopListening();
  /// The transport and the clock input as the cycles read them.
  JackSync& follow() { return sync_; }
  /// False once the server has gone away (the client is of no more use).
  bool alive() const { return alive_.load(); }
  /// Closes the client of a server that has gone away, once JACK's threads are done with it;
  /// nothing for a live one. A new client opens only after the dead one is closed.
  void releaseDead();
  /// Registers the audio ports synth_L and synth_R, connects them to the server's first two
  /// playback ports, and calls render with their buffers in every cycle from then on; false when
  /// the ports cannot be registered. render must outlive stopAudio().
  bool startAudio(const RenderFn* render);
  /// Ends the calls to render (when it returns, render is not running) and removes the ports.
  void stopAudio();
  /// The server's sample rate and period.
  double sampleRate() const;
  std::uint32_t period() const;
  /// One period of the server and 2 ms (rounded to a frame): what every message waits beyond
  /// its moment.
  std::chrono::nanoseconds lead() const;

 private:
  static constexpr int kPorts = JackQueue::kSlots;
  JackClient(jack_client_t* client, std::function<void()> lost);
  static int processThunk(std::uint32_t frames, void* self);
  static void shutdownThunk(void* self);
  static int xrunThunk(void* self);
  static int bufferSizeThunk(std::uint32_t frames, void* self);
  int process(std::uint32_t frames);
  /// Full names of the MIDI ports with flags (input or output) that are not this client's.
  std::vector<std::string> otherPorts(unsigned long flags);
  /// The synthesizer's part of the cycle that starts at frame start, woken at nowNs.
  void renderAudio(std::uint32_t frames, std::uint32_t start, std::int64_t nowNs);
  /// Lets the queue play out, at most half a second.
  void drain();
  bool waitCycles(int cycles, std::chrono::milliseconds timeout);

  mutable std::mutex api_;  // client_ and its closing, outside process()
  jack_client_t* client_;   // null once closed
  std::function<void()> lost_;
  std::atomic<bool> shutdownDone_{false};
  JackQueue queue_;
  std::array<std::atomic<jack_port_t*>, kPorts> ports_{};
  std::atomic<std::uint64_t> cycles_{0};
  std::atomic<bool> alive_{true};
  std::mutex activation_;
  std::atomic<bool> active_{false};
  std::array<jack_port_t*, 2> audio_{};  // set before render_
  std::atomic<const RenderFn*> render_{nullptr};
  FrameClock clock_;                 // process() only
  std::atomic<bool> jumped_{false};  // an xrun or a new period: the frame clock may have jumped
  JackSync sync_;
};

}  // namespace midi

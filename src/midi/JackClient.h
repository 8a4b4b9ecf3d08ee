// Korvane's one JACK client: lists the MIDI inputs of other programs and plays every message at
// its own frame of the cycle.
#pragma once

#include <jack/ringbuffer.h>
#include <jack/types.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "midi/FrameClock.h"
#include "midi/JackSync.h"
#include "midi/Port.h"

namespace midi {

/// Offset within the cycle of frames [start, start + frames) for an event due at frame due:
/// nullopt when it belongs to a later cycle, 0 when it is already due. Counters wrap at 2^32.
std::optional<std::uint32_t> cycleOffset(std::uint32_t due, std::uint32_t start,
                                         std::uint32_t frames);

class JackClient {
 public:
  /// Opens the client "Korvane" on the running server; null when none runs (never starts one,
  /// prints nothing).
  static std::shared_ptr<JackClient> open();
  /// The one client of the run, opened on first use and again once its server went away; null
  /// when no server runs.
  static std::shared_ptr<JackClient> shared();
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  /// Full names ("client:port") of every MIDI input port on the server, in the server's order.
  std::vector<std::string> inputPorts();
  /// Registers the output port name, connected to the input target unless target is empty;
  /// the port's number, or −1 when it cannot be registered or connected.
  int addPort(const std::string& name, const std::string& target);
  /// Queues a message of 1–3 bytes for port, to be written at moment at plus lead(); dropped
  /// when the queue is full (the server stalled for seconds).
  void queue(int port, const std::uint8_t* bytes, std::size_t size, Moment at);
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
  /// One period of the server and 2 ms (rounded to a frame): what every message waits beyond
  /// its moment.
  std::chrono::nanoseconds lead() const;

 private:
  static constexpr int kPorts = 8;
  struct Item;
  explicit JackClient(jack_client_t* client);
  static int processThunk(std::uint32_t frames, void* self);
  static void shutdownThunk(void* self);
  static int xrunThunk(void* self);
  static int bufferSizeThunk(std::uint32_t frames, void* self);
  int process(std::uint32_t frames);
  /// Lets the queue play out, at most half a second.
  void drain();
  bool waitCycles(int cycles, std::chrono::milliseconds timeout);

  jack_client_t* client_;
  jack_ringbuffer_t* ring_;
  std::mutex writers_;  // the queue has one writer at a time; process() only reads
  std::array<std::atomic<jack_port_t*>, kPorts> ports_{};
  std::atomic<std::uint64_t> cycles_{0};
  std::atomic<bool> alive_{true};
  bool active_ = false;
  FrameClock clock_;                 // process() only
  std::atomic<bool> jumped_{false};  // an xrun or a new period: the frame clock may have jumped
  JackSync sync_;
};

}  // namespace midi

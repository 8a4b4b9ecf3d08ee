// The MIDI output interface the window talks to: a device list and one open port.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace midi {

/// Status in bits 0–7, data 1 in bits 8–15, data 2 in bits 16–23, computed from plain integers
/// without masking, as every message site builds it.
constexpr std::uint32_t pack(int status, int data1, int data2) {
  return static_cast<std::uint32_t>(status | (data1 << 8) | (data2 << 16));
}

/// One channel message as the window built it, before any range check.
struct ShortMsg {
  int status = 0;
  int data1 = 0;
  int data2 = 0;
  std::uint32_t packed() const { return pack(status, data1, data2); }
};

/// The bytes to put on the wire for msg: as many as its status byte asks for (three for note
/// messages, two for a program change, one for MIDI clock's 0xF8, 0xFA, 0xFB, 0xFC, three for a
/// song position 0xF2). Empty when the message must not go out: any other status outside
/// 0x80–0xEF, a note number outside 0–127, a song position byte outside 0–127. A velocity
/// outside 0–127 is clamped.
std::vector<std::uint8_t> wireBytes(const ShortMsg& msg);

/// The moment a message is meant for, on the steady clock.
using Moment = std::chrono::steady_clock::time_point;

/// An open output port. Sending never fails visibly: a port that cannot deliver drops messages.
/// Every message carries a moment; a backend that can time-stamp plays it that moment plus its
/// constant lead(), the others send it at once. Messages go out in the order they were sent: a
/// moment earlier than the one before counts as that one, a moment already past as now.
class Port {
 public:
  virtual ~Port() = default;
  /// Sends msg now, made safe by wireBytes; remembers which notes it left sounding.
  void send(const ShortMsg& msg);
  /// Sends msg for moment at (see the class comment).
  void send(const ShortMsg& msg, Moment at);
  /// Note-off for every note this port knows to be sounding, All Notes Off on all 16
  /// channels, then the device's own reset, all now. Everything sent before is played before it.
  void reset();
  /// The same reset for moment at.
  void reset(Moment at);
  /// reset(), then the device's own all-sounds-off (a synthesizer cuts the release of its notes
  /// too), all now and after everything sent before.
  void panic();
  /// How much later than its moment a message sounds on this port; zero when sent at once.
  virtual std::chrono::nanoseconds lead() const { return {}; }
  /// Releases the port; later sends and resets do nothing.
  void close();
  /// Number of notes this port believes are sounding.
  int soundingCount() const;

 protected:
  /// Puts one complete message on the wire now.
  virtual void write(const std::uint8_t* bytes, std::size_t size) = 0;
  /// Puts one complete message on the wire for moment at, never earlier than the moment of the
  /// message before; default: now.
  virtual void writeAt(const std::uint8_t* bytes, std::size_t size, Moment at) {
    (void)at;
    write(bytes, size);
  }
  /// Device-specific part of a reset (a synthesizer's own all-notes-off) for moment at; default
  /// none.
  virtual void resetDevice(Moment at) { (void)at; }
  /// Device-specific sound cut of a panic for moment at; default none.
  virtual void silenceDevice(Moment at) { (void)at; }
  /// Device-specific release; default none.
  virtual void closeDevice() {}

 private:
  void writeTracked(const std::vector<std::uint8_t>& bytes, Moment at);
  /// at, or the moment of the message before when that is later.
  Moment ordered(Moment at);
  std::array<std::array<std::uint8_t, 128>, 16> sounding_{};
  Moment last_{};
  bool closed_ = false;
};

/// A port that drops everything: what an empty device list or a failed open gives.
class NullPort : public Port {
 protected:
  void write(const std::uint8_t*, std::size_t) override {}
};

/// The output devices of the machine. Identifiers are 0 … count() − 1.
class Devices {
 public:
  virtual ~Devices() = default;
  /// Number of output devices.
  virtual int count() = 0;
  /// Display name of device id (UTF-8), or nullopt when it cannot be queried.
  virtual std::optional<std::string> name(int id) = 0;
  /// Opens device id; never null: −1, an unknown id or a failed open give a NullPort.
  virtual std::unique_ptr<Port> open(int id) = 0;
  /// Lists the devices present now; identifiers then name the new list. Sends nothing and leaves
  /// open ports open. Quick, and never blocks on a sound server that is gone. Default: no change.
  virtual void refresh() {}
  /// Completes a list that was first gathered without its slow backends: gathers the complete
  /// list on another thread, which runs ready when it is done; the next query takes the new
  /// list. Identifiers of the first list keep naming the same devices. Default: the list is
  /// complete already, nothing happens.
  virtual void completeInBackground(std::function<void()> ready) { (void)ready; }
};

}  // namespace midi

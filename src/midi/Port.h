// The MIDI output interface the window talks to: a device list and one open port.
#pragma once

#include <array>
#include <cstdint>
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
/// messages, two for a program change). Empty when the message must not go out: a status
/// outside 0x80–0xEF or a note number outside 0–127. A velocity outside 0–127 is clamped.
std::vector<std::uint8_t> wireBytes(const ShortMsg& msg);

/// An open output port. Sending never fails visibly: a port that cannot deliver drops messages.
class Port {
 public:
  virtual ~Port() = default;
  /// Sends msg at once, made safe by wireBytes; remembers which notes it left sounding.
  void send(const ShortMsg& msg);
  /// Note-off for every note this port knows to be sounding, All Notes Off on all 16
  /// channels, then the device's own reset.
  void reset();
  /// Releases the port; later sends and resets do nothing.
  void close();
  /// Number of notes this port believes are sounding.
  int soundingCount() const;

 protected:
  /// Puts one complete message on the wire.
  virtual void write(const std::uint8_t* bytes, std::size_t size) = 0;
  /// Device-specific part of a reset (a synthesizer's own all-notes-off); default none.
  virtual void resetDevice() {}
  /// Device-specific release; default none.
  virtual void closeDevice() {}

 private:
  void writeTracked(const std::vector<std::uint8_t>& bytes);
  std::array<std::array<std::uint8_t, 128>, 16> sounding_{};
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
};

}  // namespace midi

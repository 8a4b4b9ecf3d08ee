#include "midi/Port.h"

#include <algorithm>

namespace midi {

std::vector<std::uint8_t> wireBytes(const ShortMsg& msg) {
  // MIDI clock: the real-time messages alone, and the song position before a Continue.
  switch (msg.status) {
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
      return {static_cast<std::uint8_t>(msg.status)};
    case 0xF2:
      if (msg.data1 < 0 || msg.data1 > 127 || msg.data2 < 0 || msg.data2 > 127) return {};
      return {0xF2, static_cast<std::uint8_t>(msg.data1), static_cast<std::uint8_t>(msg.data2)};
    default:
      break;
  }
  if (msg.status < 0x80 || msg.status > 0xEF) return {};
  const auto status = static_cast<std::uint8_t>(msg.status);
  const int kind = msg.status & 0xF0;
  auto clamp = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 127)); };
  if (kind == 0xC0 || kind == 0xD0) {
    if (msg.data1 < 0 || msg.data1 > 127) return {};
    return {status, static_cast<std::uint8_t>(msg.data1)};
  }
  // Note messages name a key: one outside the MIDI range is not sent rather than wrapped.
  if ((kind == 0x80 || kind == 0x90 || kind == 0xA0) && (msg.data1 < 0 || msg.data1 > 127))
    return {};
  return {status, clamp(msg.data1), clamp(msg.data2)};
}

void Port::send(const ShortMsg& msg) {
  send(msg, std::chrono::steady_clock::now());
}

void Port::send(const ShortMsg& msg, Moment at) {
  if (closed_) return;
  const auto bytes = wireBytes(msg);
  if (!bytes.empty()) writeTracked(bytes, ordered(at));
}

Moment Port::ordered(Moment at) {
  last_ = std::max(last_, at);
  return last_;
}

void Port::writeTracked(const std::vector<std::uint8_t>& bytes, Moment at) {
  const int kind = bytes[0] & 0xF0, channel = bytes[0] & 0x0F;
  if (kind == 0x90 || kind == 0x80) {
    auto& count = sounding_[channel][bytes[1]];
    if (kind == 0x90 && bytes[2] > 0) {
      if (count < 255) ++count;
    } else {
      count = 0;
    }
  }
  writeAt(bytes.data(), bytes.size(), at);
}

void Port::reset() {
  reset(std::chrono::steady_clock::now());
}

void Port::reset(Moment at) {
  if (closed_) return;
  // Never before what was sent earlier: a pending note cannot outlive the reset.
  at = ordered(at);
  for (int channel = 0; channel < 16; ++channel)
    for (int note = 0; note < 128; ++note)
      if (sounding_[channel][note]) {
        const std::uint8_t off[3] = {static_cast<std::uint8_t>(0x80 | channel),
                                     static_cast<std::uint8_t>(note), 0};
        writeAt(off, 3, at);
        sounding_[channel][note] = 0;
      }
  for (int channel = 0; channel < 16; ++channel) {
    const std::uint8_t allOff[3] = {static_cast<std::uint8_t>(0xB0 | channel), 123, 0};
    writeAt(allOff, 3, at);
  }
  resetDevice(at);
}

void Port::panic() {
  if (closed_) return;
  const Moment at = ordered(std::chrono::steady_clock::now());
  reset(at);
  silenceDevice(at);
}

void Port::close() {
  if (closed_) return;
  closed_ = true;
  closeDevice();
}

int Port::soundingCount() const {
  int n = 0;
  for (const auto& channel : sounding_)
    for (auto c : channel) n += c ? 1 : 0;
  return n;
}

}  // namespace midi

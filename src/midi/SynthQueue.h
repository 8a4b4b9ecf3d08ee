// Messages from the window's thread to the audio callback: one writer, one reader, no lock.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace midi {

/// One message for the synthesizer, or (size 0) the cut that ends every voice.
struct SynthEvent {
  std::int64_t atNs = 0;  ///< its moment, steady-clock ns
  std::uint8_t size = 0;  ///< 1–3 bytes; 0: all sounds off on every channel
  std::uint8_t bytes[3]{};
};

/// A fixed ring of SynthEvents. push() on one thread, front()/pop() on another.
class SynthQueue {
 public:
  static constexpr std::size_t kCapacity = 8192;  // a power of two

  /// Appends e; false (and nothing queued) when full.
  bool push(const SynthEvent& e) {
    const auto tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == kCapacity) return false;
    items_[tail & (kCapacity - 1)] = e;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  /// The oldest event, or null when empty. Reader only.
  const SynthEvent* front() const {
    const auto head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return nullptr;
    return &items_[head & (kCapacity - 1)];
  }
  /// Drops the oldest event; only after front() gave one. Reader only.
  void pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
  bool empty() const { return front() == nullptr; }

 private:
  std::array<SynthEvent, kCapacity> items_{};
  std::atomic<std::size_t> head_{0}, tail_{0};
};

}  // namespace midi

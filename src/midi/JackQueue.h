// The queue from the threads that send to JACK's process thread.
#pragma once

#include <jack/ringbuffer.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace midi {

/// One queued message: the moment it is meant for, its port's slot and its bytes.
struct QueuedMessage {
  std::int64_t steadyNs;
  std::uint16_t generation;  ///< the slot's generation when it was queued
  std::uint8_t slot;
  std::uint8_t size;
  std::uint8_t bytes[3];
};

/// Messages in the order they were sent, from any thread (one at a time, under a lock of its
/// own) to the one thread that plays them (lock-free, allocation-free). Bounded: the last
/// kReserve places take only the messages of resets and panics, so that a reset still follows a
/// flood that filled the rest. What a slot had queued before retire() never plays.
class JackQueue {
 public:
  static constexpr int kSlots = 8;
  static constexpr std::size_t kCapacity = 16384;
  /// A reset with every note of every channel sounding, and the panic's controllers.
  static constexpr std::size_t kReserve = 16 * 128 + 4 * 16;

  JackQueue();
  ~JackQueue();
  JackQueue(const JackQueue&) = delete;
  JackQueue& operator=(const JackQueue&) = delete;

  /// Queues 1–3 bytes for slot at steadyNs; silencing: a message of a reset or a panic, which
  /// may take the reserve. False when there is no room (counted) or the arguments are invalid.
  bool push(int slot, const std::uint8_t* bytes, std::size_t size, std::int64_t steadyNs,
            bool silencing);
  /// Number of messages that found no room since the last call.
  std::size_t takeDropped();
  /// Everything the slot has queued so far is dropped unplayed (its port is gone, and the slot
  /// may be given to another).
  void retire(int slot);
  /// True when nothing is queued.
  bool empty() const { return jack_ringbuffer_read_space(ring_) < sizeof(QueuedMessage); }

  /// The playing thread: offers the messages in order to write(message, offset), each with the
  /// offset due(steadyNs) gives. Stops at the first that is not due (nullopt) or that write
  /// cannot take (false): it stays first for the next call.
  template <class Due, class Write>
  void play(Due due, Write write) {
    QueuedMessage m;
    while (!empty()) {
      jack_ringbuffer_peek(ring_, reinterpret_cast<char*>(&m), sizeof m);
      if (m.generation == generations_[m.slot].load(std::memory_order_acquire)) {
        const std::optional<std::uint32_t> offset = due(m.steadyNs);
        if (!offset || !write(m, *offset)) return;
      }
      jack_ringbuffer_read_advance(ring_, sizeof m);
    }
  }

 private:
  jack_ringbuffer_t* ring_;
  std::mutex writers_;
  std::size_t dropped_ = 0;  // under writers_
  std::array<std::atomic<std::uint16_t>, kSlots> generations_{};
};

}  // namespace midi

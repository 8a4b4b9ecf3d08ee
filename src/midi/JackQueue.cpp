#include "midi/JackQueue.h"

#include <algorithm>
#include <new>
#include <utility>

namespace midi {

static_assert(sizeof(QueuedMessage) == 16, "a power of two: the ring holds whole messages");

JackQueue::JackQueue() : ring_(jack_ringbuffer_create(kCapacity * sizeof(QueuedMessage))) {
  if (ring_ == nullptr) throw std::bad_alloc();
}

JackQueue::~JackQueue() {
  jack_ringbuffer_free(ring_);
}

bool JackQueue::push(int slot, const std::uint8_t* bytes, std::size_t size, std::int64_t steadyNs,
                     bool silencing) {
  if (slot < 0 || slot >= kSlots || size == 0 || size > 3) return false;
  const auto index = static_cast<std::size_t>(slot);
  std::lock_guard lock(writers_);
  QueuedMessage m{steadyNs,
                  generations_[index].load(std::memory_order_relaxed),
                  static_cast<std::uint8_t>(slot),
                  static_cast<std::uint8_t>(size),
                  {}};
  std::copy(bytes, bytes + size, m.bytes);
  const std::size_t room = jack_ringbuffer_write_space(ring_) / sizeof m;
  if (room < (silencing ? 1 : kReserve + 1)) {
    ++dropped_;
    return false;
  }
  jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(&m), sizeof m);
  return true;
}

std::size_t JackQueue::takeDropped() {
  std::lock_guard lock(writers_);
  return std::exchange(dropped_, 0);
}

void JackQueue::retire(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  std::lock_guard lock(writers_);
  generations_[static_cast<std::size_t>(slot)].fetch_add(1, std::memory_order_release);
}

}  // namespace midi

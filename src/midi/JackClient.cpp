#include "midi/JackClient.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "midi/Log.h"

namespace midi {
namespace {

const char* const kClientName = "Korvane";
constexpr std::size_t kQueueItems = 8192;
// Beyond the period: the cycle that plays a moment can start right after it, before the thread
// that sends for that moment has woken up and queued the message.
constexpr double kMarginSeconds = 0.002;

void quietJack(const char*) {}

std::int64_t steadyNanoseconds(Moment at) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}

/// What every message waits beyond its moment, in frames: one period and the margin.
std::uint32_t leadFrames(std::uint32_t period, double rate) {
  return period + static_cast<std::uint32_t>(std::lround(kMarginSeconds * rate));
}

}  // namespace

/// One queued message: the moment it is meant for, its port and its bytes.
struct JackClient::Item {
  std::int64_t steadyNs;
  std::uint8_t port;
  std::uint8_t size;
  std::uint8_t bytes[3];
};

std::optional<std::uint32_t> cycleOffset(std::uint32_t due, std::uint32_t start,
                                         std::uint32_t frames) {
  const auto ahead = static_cast<std::int32_t>(due - start);  // wraps like the counters
  if (ahead < 0) return 0;
  if (static_cast<std::uint32_t>(ahead) >= frames) return std::nullopt;
  return static_cast<std::uint32_t>(ahead);
}

std::shared_ptr<JackClient> JackClient::open() {
  jack_set_error_function(&quietJack);
  jack_set_info_function(&quietJack);
  jack_status_t status{};
  jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
  if (client == nullptr) return nullptr;
  return std::shared_ptr<JackClient>(new JackClient(client));
}

JackClient::JackClient(jack_client_t* client)
    : client_(client), ring_(jack_ringbuffer_create(kQueueItems * sizeof(Item))) {
  jack_set_process_callback(client_, &processThunk, this);
  jack_set_xrun_callback(client_, &xrunThunk, this);
  jack_set_buffer_size_callback(client_, &bufferSizeThunk, this);
  jack_on_shutdown(client_, &shutdownThunk, this);
}

JackClient::~JackClient() {
  // libjack crashes closing a client whose server has gone; such a client is left as it is.
  if (!alive_) return;
  drain();                     // a reset sent right before the end must still be heard
  jack_client_close(client_);  // deactivates first: process() is done with the queue
  jack_ringbuffer_free(ring_);
}

std::vector<std::string> JackClient::inputPorts() {
  std::vector<std::string> names;
  if (!alive_) return names;
  const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
  for (const char** p = ports; p && *p; ++p) names.emplace_back(*p);
  if (ports) jack_free(ports);
  return names;
}

int JackClient::addPort(const std::string& name, const std::string& target) {
  if (!activate()) return -1;
  int slot = 0;
  while (slot < kPorts && ports_[slot].load() != nullptr) ++slot;
  if (slot == kPorts) return -1;
  jack_port_t* port =
      jack_port_register(client_, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (port == nullptr) return -1;
  if (!target.empty() && jack_connect(client_, jack_port_name(port), target.c_str()) != 0) {
    jack_port_unregister(client_, port);
    return -1;
  }
  ports_[slot].store(port, std::memory_order_release);
  return slot;
}

void JackClient::queue(int port, const std::uint8_t* bytes, std::size_t size, Moment at) {
  if (port < 0 || port >= kPorts || size == 0 || size > 3) return;
  Item item{
      steadyNanoseconds(at), static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(size), {}};
  std::copy(bytes, bytes + size, item.bytes);
  std::lock_guard lock(writers_);
  if (jack_ringbuffer_write_space(ring_) < sizeof item) {
    logLine("JACK queue full: message dropped");
    return;
  }
  jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(&item), sizeof item);
}

void JackClient::removePort(int port) {
  if (port < 0 || port >= kPorts) return;
  // A reset right before a close must still be heard.
  drain();
  jack_port_t* gone = ports_[port].exchange(nullptr);
  // process() may hold the pointer until its cycle ends.
  waitCycles(2, std::chrono::milliseconds(200));
  if (gone && alive_) jack_port_unregister(client_, gone);
}

void JackClient::drain() {
  using namespace std::chrono;
  const auto until = steady_clock::now() + 500ms;
  while (alive_ && active_ && jack_ringbuffer_read_space(ring_) > 0 && steady_clock::now() < until)
    std::this_thread::sleep_for(1ms);
  // The last messages are in the cycle that read them: let it reach the receivers.
  waitCycles(1, milliseconds(100));
}

bool JackClient::waitCycles(int cycles, std::chrono::milliseconds timeout) {
  const auto target = cycles_.load() + static_cast<std::uint64_t>(cycles);
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (alive_ && active_ && cycles_.load() < target) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

std::chrono::nanoseconds JackClient::lead() const {
  const double rate = std::max<double>(jack_get_sample_rate(client_), 1);
  return std::chrono::nanoseconds(
      std::llround(leadFrames(jack_get_buffer_size(client_), rate) * 1e9 / rate));
}

int JackClient::processThunk(std::uint32_t frames, void* self) {
  return static_cast<JackClient*>(self)->process(frames);
}

void JackClient::shutdownThunk(void* self) {
  static_cast<JackClient*>(self)->alive_ = false;
}

int JackClient::xrunThunk(void* self) {
  static_cast<JackClient*>(self)->jumped_ = true;
  return 0;
}

int JackClient::bufferSizeThunk(std::uint32_t, void* self) {
  return xrunThunk(self);
}

int JackClient::process(std::uint32_t frames) {
  const auto now = steadyNanoseconds(std::chrono::steady_clock::now());
  std::array<void*, kPorts> buffers{};
  std::array<std::uint32_t, kPorts> lastOffset{};
  for (int i = 0; i < kPorts; ++i) {
    if (auto* port = ports_[i].load(std::memory_order_acquire)) {
      buffers[i] = jack_port_get_buffer(port, frames);
      jack_midi_clear_buffer(buffers[i]);
    }
  }
  const jack_nframes_t start = jack_last_frame_time(client_);
  const double rate = jack_get_sample_rate(client_);
  // Our own reading of when this cycle started: the server's estimate moves with its thread's
  // wake-ups, ours is smoothed over many cycles.
  if (rate != clock_.rate()) clock_.reset(rate);
  if (jumped_.exchange(false)) clock_.watchForJump();
  clock_.update(now, start);
  sync_.cycle(client_, frames, start, clock_);
  const std::uint32_t lead = leadFrames(frames, rate);
  Item item;
  while (jack_ringbuffer_read_space(ring_) >= sizeof item) {
    jack_ringbuffer_peek(ring_, reinterpret_cast<char*>(&item), sizeof item);
    // The lead: a whole period, so that a message queued at its moment is not yet due in the
    // cycle running, and a margin for a sender that woke late.
    const jack_nframes_t due = clock_.frameAt(item.steadyNs) + lead;
    const auto offset = cycleOffset(due, start, frames);
    if (!offset) break;  // the queue is in order: everything behind is later still
    jack_ringbuffer_read_advance(ring_, sizeof item);
    void* buffer = buffers[item.port];
    if (buffer == nullptr) continue;  // its port is gone
    // Never before the message queued ahead of it.
    const auto at = std::max(*offset, lastOffset[item.port]);
    if (jack_midi_event_write(buffer, at, item.bytes, item.size) == 0) lastOffset[item.port] = at;
  }
  cycles_.fetch_add(1, std::memory_order_release);
  return 0;
}

}  // namespace midi

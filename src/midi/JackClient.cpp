#include "midi/JackClient.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "midi/Log.h"

namespace midi {
namespace {

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

std::shared_ptr<JackClient> JackClient::open(const std::string& name, std::function<void()> lost) {
  jack_set_error_function(&quietJack);
  jack_set_info_function(&quietJack);
  jack_status_t status{};
  // Exactly this name: saved connections and sessions find Korvane by it.
  jack_client_t* client = jack_client_open(
      name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), &status);
  if (client == nullptr) {
    // jackd2 answers a taken name with a server error, not JackNameNotUnique: a server that
    // was reached and still refused is taken to hold the name.
    const bool taken = (status & JackNameNotUnique) || !(status & JackServerFailed);
    static std::atomic<bool> told{false};
    if (taken && !told.exchange(true))
      std::fprintf(stderr,
                   "korvane: the JACK client name \"%s\" is taken by another program (or the "
                   "JACK server refused it); Korvane has no JACK ports\n",
                   name.c_str());
    return nullptr;
  }
  return std::shared_ptr<JackClient>(new JackClient(client, std::move(lost)));
}

JackClient::JackClient(jack_client_t* client, std::function<void()> lost)
    : client_(client), lost_(std::move(lost)) {
  jack_set_process_callback(client_, &processThunk, this);
  jack_set_xrun_callback(client_, &xrunThunk, this);
  jack_set_buffer_size_callback(client_, &bufferSizeThunk, this);
  jack_on_shutdown(client_, &shutdownThunk, this);
}

JackClient::~JackClient() {
  if (alive_) drain();  // a reset sent right before the end must still be heard
  // An overflow that nothing followed is told here.
  if (const std::size_t dropped = queue_.takeDropped())
    logLine("JACK queue full: %zu messages dropped", dropped);
  releaseDead();
  std::lock_guard lock(api_);
  // Deactivates first: once it returns no thread of JACK's touches the queue, freed after it.
  if (client_) jack_client_close(client_);
}

void JackClient::releaseDead() {
  if (alive_) return;
  // The shutdown callback runs on JACK's thread, which the close stops: let it finish first.
  for (int i = 0; i < 1000 && !shutdownDone_; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::lock_guard lock(api_);
  if (client_ == nullptr) return;
  jack_client_close(client_);  // fails, harmlessly, to tell a server that is gone
  client_ = nullptr;
  logLine("JACK client of the stopped server closed");
}

std::vector<std::string> JackClient::inputPorts() {
  return otherPorts(JackPortIsInput);
}

std::vector<std::string> JackClient::otherPorts(unsigned long flags) {
  std::vector<std::string> names;
  std::lock_guard lock(api_);
  if (!alive_ || !client_) return names;
  const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
  for (const char** p = ports; p && *p; ++p) {
    // Our own ports would only feed Korvane back to itself.
    jack_port_t* port = jack_port_by_name(client_, *p);
    if (port == nullptr || !jack_port_is_mine(client_, port)) names.emplace_back(*p);
  }
  if (ports) jack_free(ports);
  return names;
}

int JackClient::addPort(const std::string& name, const std::string& target) {
  std::lock_guard lock(api_);
  if (!alive_ || !client_) return -1;
  if (!activate()) return -1;
  std::size_t slot = 0;
  while (slot < ports_.size() && ports_[slot].load() != nullptr) ++slot;
  if (slot == ports_.size()) return -1;
  jack_port_t* port =
      jack_port_register(client_, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (port == nullptr) return -1;
  if (!target.empty() && jack_connect(client_, jack_port_name(port), target.c_str()) != 0) {
    jack_port_unregister(client_, port);
    return -1;
  }
  ports_[slot].store(port, std::memory_order_release);
  return static_cast<int>(slot);
}

bool JackClient::queue(int port, const std::uint8_t* bytes, std::size_t size, Moment at,
                       bool silencing) {
  if (!alive_) return false;
  if (!queue_.push(port, bytes, size, steadyNanoseconds(at), silencing)) return false;
  // Once per overflow, when it is over: one line for what a stall of the server cost.
  if (const std::size_t dropped = queue_.takeDropped())
    logLine("JACK queue full: %zu messages dropped", dropped);
  return true;
}

void JackClient::removePort(int port) {
  if (port < 0 || port >= kPorts) return;
  // A reset right before a close must still be heard.
  drain();
  jack_port_t* gone = ports_[static_cast<std::size_t>(port)].exchange(nullptr);
  // What could not play out must not reach the next port given this slot.
  queue_.retire(port);
  // process() may hold the pointer until its cycle ends.
  waitCycles(2, std::chrono::milliseconds(200));
  std::lock_guard lock(api_);
  if (gone && alive_ && client_) jack_port_unregister(client_, gone);
}

void JackClient::drain() {
  using namespace std::chrono;
  const auto until = steady_clock::now() + 500ms;
  while (alive_ && active_ && !queue_.empty() && steady_clock::now() < until)
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
  std::lock_guard lock(api_);
  if (!alive_ || !client_) return {};
  const double rate = std::max<double>(jack_get_sample_rate(client_), 1);
  return std::chrono::nanoseconds(
      std::llround(leadFrames(jack_get_buffer_size(client_), rate) * 1e9 / rate));
}

bool JackClient::activate() {
  // Activated on first use: a client that only lists costs the server no cycle work.
  std::lock_guard lock(activation_);
  if (!active_ && client_ && jack_activate(client_) == 0) active_ = true;
  return active_;
}

int JackClient::processThunk(std::uint32_t frames, void* self) {
  return static_cast<JackClient*>(self)->process(frames);
}

void JackClient::shutdownThunk(void* self) {
  auto* client = static_cast<JackClient*>(self);
  client->alive_ = false;
  if (client->lost_) client->lost_();
  client->shutdownDone_ = true;
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
  for (std::size_t i = 0; i < buffers.size(); ++i) {
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
  // The lead: a whole period, so that a message queued at its moment is not yet due in the
  // cycle running, and a margin for a sender that woke late.
  const auto due = [&](std::int64_t steadyNs) {
    return cycleOffset(clock_.frameAt(steadyNs) + lead, start, frames);
  };
  const auto write = [&](const QueuedMessage& m, std::uint32_t offset) {
    void* buffer = buffers[m.slot];
    if (buffer == nullptr) return true;  // its port is gone
    // Never before the message queued ahead of it.
    const auto at = std::max(offset, lastOffset[m.slot]);
    // A full buffer (a backlog after a stall): the message waits for the next cycle.
    if (jack_midi_event_write(buffer, at, m.bytes, m.size) != 0) return false;
    lastOffset[m.slot] = at;
    return true;
  };
  queue_.play(due, write);
  renderAudio(frames, start, now);
  cycles_.fetch_add(1, std::memory_order_release);
  return 0;
}

}  // namespace midi

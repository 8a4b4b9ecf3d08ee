// OSC messages over UDP on this machine only: a socket bound to 127.0.0.1, liblo for the bytes.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace nsm {

/// One argument: OSC types i, f and s (what the session protocol uses).
using Arg = std::variant<std::int32_t, float, std::string>;

struct Message {
  std::string path;
  std::vector<Arg> args;
  sockaddr_in from{};  ///< who sent it (received messages only)
};

/// The text of args[i], or "" when there is none or it is no text.
std::string textArg(const Message& m, std::size_t i);

/// A UDP socket on 127.0.0.1; never reachable from another machine.
class Socket {
 public:
  /// Binds to 127.0.0.1:port (0: a port the system picks); throws std::runtime_error.
  explicit Socket(std::uint16_t port = 0);
  ~Socket();
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  int fd() const { return fd_; }
  std::uint16_t port() const;
  /// Sends m to to; false when it cannot be encoded or sent.
  bool send(const sockaddr_in& to, const Message& m);
  /// The next datagram that is an OSC message, waiting at most timeout; nullopt when none came.
  std::optional<Message> receive(std::chrono::milliseconds timeout);

 private:
  int fd_ = -1;
};

/// The address of an OSC URL "osc.udp://HOST:PORT/" whose host is this machine (a loopback
/// address, "localhost" or this machine's name, which is reached on 127.0.0.1); nullopt for any
/// other URL.
std::optional<sockaddr_in> localAddress(const std::string& url);

}  // namespace nsm

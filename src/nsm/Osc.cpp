#include "nsm/Osc.h"

#include <arpa/inet.h>
#include <lo/lo.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace nsm {
namespace {

constexpr std::size_t kMaxDatagram = 65536;

struct LoFree {
  void operator()(lo_message m) const { lo_message_free(m); }
};
using LoMessage = std::unique_ptr<std::remove_pointer_t<lo_message>, LoFree>;

LoMessage encode(const Message& m) {
  LoMessage out(lo_message_new());
  for (const Arg& a : m.args) {
    if (const auto* i = std::get_if<std::int32_t>(&a)) lo_message_add_int32(out.get(), *i);
    if (const auto* f = std::get_if<float>(&a)) lo_message_add_float(out.get(), *f);
    if (const auto* s = std::get_if<std::string>(&a)) lo_message_add_string(out.get(), s->c_str());
  }
  return out;
}

std::optional<Message> decode(std::vector<char>& bytes) {
  // liblo reads the path itself without bounds: it must end inside the datagram.
  if (bytes.empty() || bytes.front() != '/') return std::nullopt;
  Message m;
  int result = 0;
  LoMessage in(lo_message_deserialise(bytes.data(), bytes.size(), &result));
  if (!in || result != 0) return std::nullopt;
  m.path = lo_get_path(bytes.data(), static_cast<ssize_t>(bytes.size()));
  const char* types = lo_message_get_types(in.get());
  lo_arg** argv = lo_message_get_argv(in.get());
  for (int i = 0; types != nullptr && types[i] != '\0'; ++i) {
    if (types[i] == 'i')
      m.args.emplace_back(argv[i]->i);
    else if (types[i] == 'f')
      m.args.emplace_back(argv[i]->f);
    else if (types[i] == 's')
      m.args.emplace_back(std::string(&argv[i]->s));
    else
      m.args.emplace_back(std::string());  // a type the protocol never sends
  }
  return m;
}

bool isLoopback(const std::string& host, sockaddr_in& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  ::freeaddrinfo(found);
  return (ntohl(address.sin_addr.s_addr) >> 24) == 127;
}

}  // namespace

std::string textArg(const Message& m, std::size_t i) {
  if (i >= m.args.size()) return "";
  const auto* s = std::get_if<std::string>(&m.args[i]);
  return s ? *s : "";
}

Socket::Socket(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
  if (fd_ < 0) throw std::runtime_error("no UDP socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    throw std::runtime_error("cannot bind a UDP socket on 127.0.0.1");
  }
}

Socket::~Socket() {
  ::close(fd_);
}

std::uint16_t Socket::port() const {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

bool Socket::send(const sockaddr_in& to, const Message& m) {
  LoMessage out = encode(m);
  std::size_t size = 0;
  void* bytes = lo_message_serialise(out.get(), m.path.c_str(), nullptr, &size);
  if (bytes == nullptr) return false;
  const auto sent =
      ::sendto(fd_, bytes, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  std::free(bytes);
  return sent == static_cast<ssize_t>(size);
}

std::optional<Message> Socket::receive(std::chrono::milliseconds timeout) {
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
  std::vector<char> bytes(kMaxDatagram);
  sockaddr_in from{};
  socklen_t size = sizeof from;
  const auto n = ::recvfrom(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT,
                            reinterpret_cast<sockaddr*>(&from), &size);
  if (n <= 0) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(n));
  auto m = decode(bytes);
  if (m) m->from = from;
  return m;
}

std::optional<sockaddr_in> localAddress(const std::string& url) {
  if (lo_url_get_protocol_id(url.c_str()) != LO_UDP) return std::nullopt;
  std::unique_ptr<char, decltype(&std::free)> host(lo_url_get_hostname(url.c_str()), &std::free);
  std::unique_ptr<char, decltype(&std::free)> port(lo_url_get_port(url.c_str()), &std::free);
  if (!host || !port) return std::nullopt;
  char* end = nullptr;
  const long number = std::strtol(port.get(), &end, 10);
  if (*port.get() == '\0' || *end != '\0' || number < 1 || number > 65535) return std::nullopt;
  sockaddr_in address{};
  char self[256] = {};
  ::gethostname(self, sizeof self - 1);
  const std::string name = host.get();
  if (!isLoopback(name, address)) {
    // A session manager announces this machine by name, which may resolve to a network address.
    if (name != self) return std::nullopt;
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  }
  address.sin_port = htons(static_cast<std::uint16_t>(number));
  return address;
}

}  // namespace nsm

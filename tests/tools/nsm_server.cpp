// A small session manager for the end-to-end tests, speaking the NSM API 1.1 over OSC on
// 127.0.0.1. Writes its URL to the file named by its argument, prints every message a client
// sends ("<path> <args…>", one a line), and takes commands on standard input:
//   open PATH NAME ID    send /nsm/client/open to the client that announced
//   save | show | hide   send /nsm/client/save, show_optional_gui, hide_optional_gui
// A message from another socket than the announce's is printed as "stray <path>"; an announce
// whose arguments are not s s s i i i as "bad-announce".
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "nsm/Osc.h"

namespace {

std::string describe(const nsm::Message& m) {
  std::string line = m.path;
  for (const nsm::Arg& a : m.args) {
    line += ' ';
    if (const auto* i = std::get_if<std::int32_t>(&a)) line += std::to_string(*i);
    if (const auto* f = std::get_if<float>(&a)) line += std::to_string(*f);
    if (const auto* s = std::get_if<std::string>(&a)) line += *s;
  }
  return line;
}

bool sameSender(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

bool wellFormedAnnounce(const nsm::Message& m) {
  if (m.args.size() != 6) return false;
  for (std::size_t i = 0; i < 3; ++i)
    if (!std::holds_alternative<std::string>(m.args[i])) return false;
  for (std::size_t i = 3; i < 6; ++i)
    if (!std::holds_alternative<std::int32_t>(m.args[i])) return false;
  return true;
}

struct Server {
  nsm::Socket socket;
  std::optional<sockaddr_in> client;

  void receive() {
    auto m = socket.receive(std::chrono::milliseconds(0));
    if (!m) return;
    if (m->path == "/nsm/server/announce") {
      client = m->from;
      if (!wellFormedAnnounce(*m)) std::cout << "bad-announce\n";
      socket.send(*client, {"/reply",
                            {std::string("/nsm/server/announce"), std::string("welcome"),
                             std::string("Fake Session"), std::string(":server-control:")}});
    } else if (!client || !sameSender(*client, m->from)) {
      std::cout << "stray ";
    }
    std::cout << describe(*m) << std::endl;
  }

  void command(const std::string& line) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (!client) {
      std::cout << "no-client " << word << std::endl;
      return;
    }
    if (word == "open") {
      std::string path, name, id;
      in >> path >> name >> id;
      socket.send(*client, {"/nsm/client/open", {path, name, id}});
    } else if (word == "save") {
      socket.send(*client, {"/nsm/client/save", {}});
    } else if (word == "show" || word == "hide") {
      socket.send(*client, {"/nsm/client/" + word + "_optional_gui", {}});
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: nsm_server URL-FILE\n";
    return 2;
  }
  Server server;
  std::ofstream(argv[1]) << "osc.udp://127.0.0.1:" << server.socket.port() << "/\n";
  std::cout << "# ready" << std::endl;
  pollfd watched[2] = {{0, POLLIN, 0}, {server.socket.fd(), POLLIN, 0}};
  std::string pending;
  for (;;) {
    if (::poll(watched, 2, -1) < 0) return 1;
    if (watched[1].revents & POLLIN) server.receive();
    if (watched[0].revents & (POLLIN | POLLHUP)) {
      char buffer[512];
      const auto n = ::read(0, buffer, sizeof buffer);
      if (n <= 0) return 0;  // the test is done with us
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        server.command(pending.substr(0, end));
        pending.erase(0, end + 1);
      }
    }
  }
}

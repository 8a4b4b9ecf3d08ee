#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>

#include "nsm/Client.h"

namespace {

using namespace std::chrono_literals;

TEST(LocalAddress, OnlyThisMachineIsASessionManager) {
  struct Case {
    const char* url;
    bool accepted;
    int port;
  } cases[] = {
      {"osc.udp://127.0.0.1:15000/", true, 15000},
      {"osc.udp://localhost:7/", true, 7},
      {"osc.udp://127.0.1.1:15000/", true, 15000},  // Debian's own host name resolves so
      {"osc.tcp://127.0.0.1:15000/", false, 0},
      {"osc.udp://192.0.2.1:15000/", false, 0},
      {"osc.udp://127.0.0.1:0/", false, 0},
      {"osc.udp://127.0.0.1:99999/", false, 0},
      {"", false, 0},
      {"garbage", false, 0},
  };
  for (const auto& c : cases) {
    const auto address = nsm::localAddress(c.url);
    EXPECT_EQ(address.has_value(), c.accepted) << c.url;
    if (address) {
      EXPECT_EQ(ntohs(address->sin_port), c.port) << c.url;
    }
  }
}

/// A session manager's socket, and a client announced to it.
class Session : public ::testing::Test {
 protected:
  nsm::Socket server;
  std::unique_ptr<nsm::Client> client;
  nsm::Requests requests;
  std::vector<nsm::Open> opens;
  std::vector<bool> shows;
  int saves = 0;
  std::string saveError;
  sockaddr_in clientAddress{};

  void SetUp() override {
    std::string error;
    client =
        nsm::Client::connect("osc.udp://127.0.0.1:" + std::to_string(server.port()) + "/", error);
    ASSERT_TRUE(client) << error;
    requests.open = [this](const nsm::Open& o) { opens.push_back(o); };
    requests.save = [this] { return ++saves, saveError; };
    requests.showGui = [this](bool show) { shows.push_back(show); };
    client->announce("Korvane", "korvane", 4242);
    auto announce = server.receive(2s);
    ASSERT_TRUE(announce);
    clientAddress = announce->from;
  }
  /// The manager sends m; the client handles it.
  void tell(const nsm::Message& m) {
    ASSERT_TRUE(server.send(clientAddress, m));
    ASSERT_TRUE(client->handleNext(requests, 2s)) << m.path;
  }
  /// What the client sent next, as "path arg…"; "" when nothing came. Each from the socket
  /// the announce came from.
  std::string heard() {
    auto m = server.receive(200ms);
    if (!m) return "";
    EXPECT_EQ(m->from.sin_port, clientAddress.sin_port) << m->path;
    std::string line = m->path;
    for (const auto& a : m->args) {
      if (const auto* i = std::get_if<std::int32_t>(&a)) line += " " + std::to_string(*i);
      if (const auto* s = std::get_if<std::string>(&a)) line += " " + *s;
    }
    return line;
  }
  void open() {
    tell({"/nsm/client/open", {std::string("/s/k"), std::string("K"), std::string("K.x")}});
  }
};

TEST_F(Session, AnnouncesItsCapabilitiesAndApiVersion) {
  client->announce("Korvane", "korvane", 4242);
  EXPECT_EQ(heard(), "/nsm/server/announce Korvane :dirty:optional-gui: korvane 1 1 4242");
  tell({"/reply",
        {std::string("/nsm/server/announce"), std::string("hi"), std::string("S"),
         std::string(":server-control:")}});
  EXPECT_TRUE(client->accepted());
  tell({"/error", {std::string("/nsm/server/announce"), -2, std::string("too new")}});
  EXPECT_EQ(client->refused(), "too new");
}

TEST_F(Session, OpenIsAnsweredOnlyWhenTheProgramSaysSo) {
  open();
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].path, "/s/k");
  EXPECT_EQ(opens[0].displayName, "K");
  EXPECT_EQ(opens[0].clientId, "K.x");
  EXPECT_EQ(heard(), "");
  client->opened("");
  EXPECT_EQ(heard(), "/reply /nsm/client/open OK");
  client->opened("");  // once only
  EXPECT_EQ(heard(), "");
  // A second session is refused: switching was not offered.
  open();
  EXPECT_EQ(opens.size(), 1u);
  EXPECT_EQ(heard(), "/error /nsm/client/open -8 a session is open already");
}

TEST_F(Session, AFailedOpenNamesTheError) {
  open();
  client->opened("cannot make /s/k");
  EXPECT_EQ(heard(), "/error /nsm/client/open -1 cannot make /s/k");
}

TEST_F(Session, SaveRepliesAndMarksClean) {
  tell({"/nsm/client/save", {}});
  EXPECT_EQ(saves, 0);  // nothing to save into before an open
  EXPECT_EQ(heard(), "/error /nsm/client/save -6 no session is open");
  open();
  client->opened("");
  heard();
  client->setDirty(true);
  client->setDirty(true);  // one message per change
  EXPECT_EQ(heard(), "/nsm/client/is_dirty");
  EXPECT_EQ(heard(), "");
  saveError = "/s/k/korvane.ini: disk full";
  tell({"/nsm/client/save", {}});
  EXPECT_EQ(heard(), "/error /nsm/client/save -1 /s/k/korvane.ini: disk full");
  EXPECT_EQ(heard(), "");  // still dirty
  saveError.clear();
  tell({"/nsm/client/save", {}});
  EXPECT_EQ(saves, 2);
  EXPECT_EQ(heard(), "/reply /nsm/client/save OK");
  EXPECT_EQ(heard(), "/nsm/client/is_clean");
  client->setDirty(false);
  EXPECT_EQ(heard(), "");
}

TEST_F(Session, ShowAndHideReachTheProgram) {
  open();
  tell({"/nsm/client/hide_optional_gui", {}});
  tell({"/nsm/client/show_optional_gui", {}});
  EXPECT_EQ(shows, (std::vector<bool>{false, true}));
  client->guiShown(false);
  EXPECT_EQ(heard(), "/nsm/client/gui_is_hidden");
  client->guiShown(true);
  EXPECT_EQ(heard(), "/nsm/client/gui_is_shown");
}

TEST_F(Session, DatagramsThatAreNoMessageAreDropped) {
  const std::string junk[] = {"", "x", "/nsm/client/save", std::string("/a\0\0\0,s\0\0ab", 12),
                              std::string(300, '/')};
  for (const std::string& bytes : junk) {
    ::sendto(server.fd(), bytes.data(), bytes.size(), 0,
             reinterpret_cast<const sockaddr*>(&clientAddress), sizeof clientAddress);
    client->handleNext(requests, 200ms);
  }
  EXPECT_EQ(saves, 0);
  EXPECT_TRUE(opens.empty());
  open();  // and the client still listens
  EXPECT_EQ(opens.size(), 1u);
}

}  // namespace

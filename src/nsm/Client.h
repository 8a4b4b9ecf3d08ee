// A client of a session manager that speaks the NSM API 1.1 (announce, open, save, dirty,
// optional GUI), over OSC on this machine.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "nsm/Osc.h"

namespace nsm {

/// What /nsm/client/open asks for.
struct Open {
  std::string path;  ///< where the client keeps its files (a folder of its own)
  std::string displayName;
  std::string clientId;  ///< the name to give the JACK client
};

/// What the session asks of the program.
struct Requests {
  /// A session is opened; answer it with Client::opened() once it is in place.
  std::function<void(const Open&)> open;
  /// Write the state; the error's text, empty when written.
  std::function<std::string()> save;
  /// Show (true) or hide the GUI; then report it with Client::guiShown().
  std::function<void(bool)> showGui;
};

/// NSM error codes used here.
constexpr int kErrGeneral = -1;
constexpr int kErrNotNow = -8;

class Client {
 public:
  /// A client of the session manager at url (NSM_URL); nullopt in error's place when url does
  /// not name one on this machine or no socket can be had.
  static std::unique_ptr<Client> connect(const std::string& url, std::string& error);

  /// The socket to watch for messages.
  int fd() const { return socket_.fd(); }
  /// Sends /nsm/server/announce with ":dirty:optional-gui:" and API 1.1, from the socket that
  /// also replies.
  void announce(const std::string& name, const std::string& executable, int pid);
  /// Waits at most timeout for one message and handles it; false when none came.
  bool handleNext(Requests& requests, std::chrono::milliseconds timeout);
  /// Handles the messages that are waiting.
  void handlePending(Requests& requests);
  /// Answers the open: /reply, or /error with error's text when it is not empty.
  void opened(const std::string& error);
  /// Tells the manager the state differs from the last save (true) or not; only changes go out.
  void setDirty(bool dirty);
  /// Tells the manager whether the GUI is shown.
  void guiShown(bool shown);

  /// The announce was answered with /reply (false: not yet, or refused).
  bool accepted() const { return accepted_; }
  /// The announce was refused; its message.
  const std::optional<std::string>& refused() const { return refused_; }
  /// The open received, once one came.
  const std::optional<Open>& session() const { return open_; }

 private:
  explicit Client(const sockaddr_in& server) : server_(server) {}
  void handle(const Message& m, Requests& requests);
  void reply(const std::string& to, const std::string& error, int code = kErrGeneral);
  void send(Message m);

  Socket socket_;
  sockaddr_in server_;
  bool accepted_ = false;
  std::optional<std::string> refused_;
  std::optional<Open> open_;
  bool openAnswered_ = false;
  std::optional<bool> dirty_;
};

}  // namespace nsm

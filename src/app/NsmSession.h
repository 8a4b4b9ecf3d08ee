// Korvane in an NSM session: the protocol client of nsm/, watched from Qt's event loop.
#pragma once

#include <memory>
#include <string>

#include "app/Session.h"
#include "nsm/Client.h"

class QSocketNotifier;
class TForm1;

namespace app {

class NsmSession : public Session {
 public:
  /// Announces Korvane to the manager at url and waits for its open (the announce answered
  /// within 10 s, the open as long as it takes). Null, and why on standard error, when there
  /// is no session to take part in; leaves the program with status 1 when the session's folder
  /// cannot be made.
  static std::unique_ptr<NsmSession> join(const std::string& url, const std::string& executable);
  ~NsmSession() override;

  /// The session's settings file: korvane.ini in the folder the open named.
  std::string settingsFile() const;
  /// The client id the open gave: the JACK client's name.
  std::string clientId() const;
  /// From now on the manager's requests reach window (which outlives this link's use).
  void attach(TForm1& window);

  void settingsDirty(bool dirty) override;
  void guiShown(bool shown) override;
  void ready() override;

 private:
  explicit NsmSession(std::unique_ptr<nsm::Client> client);
  std::unique_ptr<nsm::Client> client_;
  nsm::Requests requests_;
  TForm1* window_ = nullptr;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace app

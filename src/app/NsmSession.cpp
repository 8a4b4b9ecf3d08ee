#include "app/NsmSession.h"

#include <unistd.h>

#include <QSocketNotifier>
#include <chrono>
#include <filesystem>
#include <iostream>

#include "app/Language.h"
#include "app/TForm1.h"

namespace app {

NsmSession::NsmSession(std::unique_ptr<nsm::Client> client) : client_(std::move(client)) {}

NsmSession::~NsmSession() {
  delete notifier_;
}

std::unique_ptr<NsmSession> NsmSession::join(const std::string& url,
                                             const std::string& executable) {
  std::string error;
  auto client = nsm::Client::connect(url, error);
  if (!client) {
    std::cerr << "korvane: " << error << "; running without a session\n";
    return nullptr;
  }
  nsm::Requests waiting;  // only the open can come before the window
  client->announce("Korvane", std::filesystem::path(executable).filename().string(), ::getpid());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!client->session() && !client->refused()) {
    if (!client->accepted() && std::chrono::steady_clock::now() > deadline) {
      std::cerr << "korvane: no session manager answers at " << url
                << "; running without a session\n";
      return nullptr;
    }
    client->handleNext(waiting, std::chrono::milliseconds(100));
  }
  if (client->refused()) {
    std::cerr << "korvane: the session manager refused Korvane: " << *client->refused()
              << "; running without a session\n";
    return nullptr;
  }
  std::error_code ec;
  std::filesystem::create_directories(client->session()->path, ec);
  if (ec) {
    client->opened("cannot make " + client->session()->path + ": " + ec.message());
    std::cerr << "korvane: cannot make " << client->session()->path << ": " << ec.message() << '\n';
    std::exit(1);
  }
  return std::unique_ptr<NsmSession>(new NsmSession(std::move(client)));
}

std::string NsmSession::settingsFile() const {
  return (std::filesystem::path(client_->session()->path) / "korvane.ini").string();
}

std::string NsmSession::clientId() const {
  return client_->session()->clientId;
}

void NsmSession::attach(TForm1& window) {
  window_ = &window;
  requests_.save = [this] { return translateMessage(window_->saveSettings()); };
  requests_.showGui = [this](bool show) { window_->showForSession(show); };
  notifier_ = new QSocketNotifier(client_->fd(), QSocketNotifier::Read);
  QObject::connect(notifier_, &QSocketNotifier::activated, &window,
                   [this] { window_->guarded([this] { client_->handlePending(requests_); }); });
}

void NsmSession::settingsDirty(bool dirty) {
  client_->setDirty(dirty);
}

void NsmSession::guiShown(bool shown) {
  client_->guiShown(shown);
}

void NsmSession::ready() {
  std::string error;
  // A new session starts from the designed settings, kept in its own file from now on.
  if (!std::filesystem::exists(settingsFile())) error = translateMessage(window_->saveSettings());
  client_->opened(error);
  client_->guiShown(window_->isVisible());
}

}  // namespace app

#include "nsm/Client.h"

#include <cstdio>

namespace nsm {

std::unique_ptr<Client> Client::connect(const std::string& url, std::string& error) {
  const auto server = localAddress(url);
  if (!server) {
    error = "NSM_URL '" + url + "' names no session manager on this machine";
    return nullptr;
  }
  try {
    return std::unique_ptr<Client>(new Client(*server));
  } catch (const std::exception& e) {
    error = e.what();
    return nullptr;
  }
}

void Client::send(Message m) {
  if (!socket_.send(server_, m)) std::fprintf(stderr, "korvane: cannot send %s\n", m.path.c_str());
}

void Client::announce(const std::string& name, const std::string& executable, int pid) {
  send(
      {"/nsm/server/announce", {name, std::string(":dirty:optional-gui:"), executable, 1, 1, pid}});
}

bool Client::handleNext(Requests& requests, std::chrono::milliseconds timeout) {
  auto m = socket_.receive(timeout);
  if (!m) return false;
  handle(*m, requests);
  return true;
}

void Client::handlePending(Requests& requests) {
  while (handleNext(requests, std::chrono::milliseconds(0))) {
  }
}

void Client::reply(const std::string& to, const std::string& error, int code) {
  if (error.empty())
    send({"/reply", {to, std::string("OK")}});
  else
    send({"/error", {to, code, error}});
}

void Client::handle(const Message& m, Requests& requests) {
  const std::string& path = m.path;
  if (path == "/reply" && textArg(m, 0) == "/nsm/server/announce") {
    accepted_ = true;
  } else if (path == "/error" && textArg(m, 0) == "/nsm/server/announce") {
    refused_ = m.args.size() > 2 ? textArg(m, 2) : std::string("refused");
  } else if (path == "/nsm/client/open") {
    // Switching to another session was not offered: a second open is refused.
    if (open_) return reply(path, "a session is open already", kErrNotNow);
    open_ = Open{textArg(m, 0), textArg(m, 1), textArg(m, 2)};
    if (open_->path.empty() || open_->clientId.empty()) {
      open_.reset();
      return reply(path, "open needs a path and a client id");
    }
    if (requests.open) requests.open(*open_);
  } else if (path == "/nsm/client/save") {
    if (!open_) return reply(path, "no session is open", -6);
    const std::string error = requests.save ? requests.save() : std::string();
    reply(path, error);
    if (error.empty()) setDirty(false);
  } else if (path == "/nsm/client/show_optional_gui" || path == "/nsm/client/hide_optional_gui") {
    if (requests.showGui) requests.showGui(path == "/nsm/client/show_optional_gui");
  }
  // Anything else (session_is_loaded, a server's own news) needs nothing.
}

void Client::opened(const std::string& error) {
  if (!open_ || openAnswered_) return;
  openAnswered_ = true;
  reply("/nsm/client/open", error);
  dirty_ = false;
}

void Client::setDirty(bool dirty) {
  if (!openAnswered_ || dirty_ == dirty) return;
  dirty_ = dirty;
  send({dirty ? "/nsm/client/is_dirty" : "/nsm/client/is_clean", {}});
}

void Client::guiShown(bool shown) {
  send({shown ? "/nsm/client/gui_is_shown" : "/nsm/client/gui_is_hidden", {}});
}

}  // namespace nsm

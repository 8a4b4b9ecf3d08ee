// The session manager the window takes part in, as the window sees it.
#pragma once

namespace app {

/// What the window tells a session manager. The manager's own requests (save, show, hide)
/// reach the window through its public calls.
class Session {
 public:
  virtual ~Session() = default;
  /// What the settings file holds differs from the last save (true) or no longer does.
  virtual void settingsDirty(bool dirty) = 0;
  /// The window has been shown (true) or hidden.
  virtual void guiShown(bool shown) = 0;
  /// Every device is listed, the JACK client under the session's name: the open is complete.
  virtual void ready() = 0;
};

}  // namespace app

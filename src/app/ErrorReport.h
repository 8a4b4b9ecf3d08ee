// The application error report: how an error that escapes a handler is shown.
#pragma once

#include <exception>
#include <string>

namespace app {

class Dialogs;

/// The box text for an error message: "." appended when the message is not empty and its
/// last byte is above '.'.
std::string errorBoxText(const std::string& message);

/// Shows the current exception (call from a catch block) in the error box; never throws.
void reportCurrentError(Dialogs& dialogs) noexcept;

}  // namespace app

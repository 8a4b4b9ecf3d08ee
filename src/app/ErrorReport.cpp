#include "app/ErrorReport.h"

#include <QApplication>
#include <QWidget>

#include "app/Services.h"
#include "lib/Error.h"

namespace app {

std::string errorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void reportCurrentError(Dialogs& dialogs) noexcept {
  // A capture left by the failing handler would swallow the box's clicks.
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  std::string message;
  try {
    throw;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "";
  }
  try {
    dialogs.error(errorBoxText(message));
  } catch (...) {
  }
}

}  // namespace app

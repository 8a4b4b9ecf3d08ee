#include "app/Desktop.h"

#include <QApplication>
#include <QIcon>

namespace app {

void preferXWayland() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
  if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY"))
    return;
  qputenv("QT_QPA_PLATFORM", "xcb");
}

void setKorvaneIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);
}

}  // namespace app

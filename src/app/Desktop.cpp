#include "app/Desktop.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace app {

void preferXWayland() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
  if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY"))
    return;
  qputenv("QT_QPA_PLATFORM", "xcb");
}

void installQtJapanese(QCoreApplication& application) {
  // The window's texts are Japanese whatever the locale; Qt's own follow them.
  auto* translator = new QTranslator(&application);
  if (translator->load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

void setKorvaneIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);
}

}  // namespace app

// Korvane: entry point.
#include <QApplication>
#include <QFont>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>

#include "app/CommandLine.h"
#include "app/Desktop.h"
#include "app/ErrorReport.h"
#include "app/LiveWait.h"
#include "app/QtServices.h"
#include "app/Signals.h"
#include "app/TForm1.h"
#include "midi/System.h"

namespace {

/// Handles the options that need no window (help, version, errors, the device list). Parsed
/// under a core application only: these work without a display.
std::optional<int> commandLine(int argc, char** argv, app::CommandLine& chosen) {
  QCoreApplication core(argc, argv);
  QCoreApplication::setApplicationName("korvane");
  const app::CommandLine options = app::parseCommandLine(QCoreApplication::arguments());
  std::cout << options.out << std::flush;
  std::cerr << options.err << std::flush;
  if (options.exitStatus) return options.exitStatus;
  if (options.listDevices) {
    auto devices = midi::makeSystemDevices();
    devices->refresh();
    app::printDevices(*devices, std::cout);
    return 0;
  }
  chosen = options;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  // The note clock's timing is measured on Qt's plain Unix event dispatcher; keep to it.
  qputenv("QT_NO_GLIB", "1");
  app::CommandLine chosen;
  if (argc > 1) {
    if (auto status = commandLine(argc, argv, chosen)) return *status;
  }
  app::preferXWayland();
  QApplication application(argc, argv);
  // No display name: Qt would append it to every caption ("C4-100 — Korvane").
  QApplication::setApplicationName("Korvane");
  app::installQtJapanese(application);
  app::setKorvaneIcon();
  QFont font;
  // Proportional faces with the Japanese glyphs come before any monospaced one.
  font.setFamilies({"Tahoma", "IPAPGothic", "Noto Sans CJK JP", "DejaVu Sans"});
  font.setPixelSize(11);
  QApplication::setFont(font);

  app::QtDialogs dialogs;
  try {
    auto devices = midi::makeSystemDevices();
    app::LiveWaiter waiter;
    TForm1Services services{*devices, dialogs, waiter,
                            QCoreApplication::applicationFilePath().toStdString(),
                            static_cast<unsigned>(std::time(nullptr))};
    services.startDevice = chosen.device;
    services.startSync = chosen.sync;
    services.startSyncInput = chosen.syncInput;
    services.startSendClock = chosen.sendClock;
    auto form = std::make_unique<TForm1>(services);
    dialogs.setParent(form.get());
    app::closeOnTerminationSignals(form.get());
    form->show();
    application.exec();
    dialogs.setParent(nullptr);
    form.reset();  // runs FormDestroy
  } catch (...) {
    app::reportCurrentError(dialogs);
  }
  return 0;
}

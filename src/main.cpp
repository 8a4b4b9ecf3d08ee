// Korvane: entry point.
#include <QApplication>
#include <QFont>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "app/ErrorReport.h"
#include "app/LiveWait.h"
#include "app/QtServices.h"
#include "app/Signals.h"
#include "app/TForm1.h"
#include "midi/System.h"

int main(int argc, char** argv) {
  // The note clock's timing is measured on Qt's plain Unix event dispatcher; keep to it.
  qputenv("QT_NO_GLIB", "1");
  QApplication application(argc, argv);
  // No display name: Qt would append it to every caption ("C4-100 — Korvane").
  QApplication::setApplicationName("Korvane");
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

// Taking part in a session: save on request, show and hide, the dirty state, the quick end.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>

#include "app/IniFile.h"
#include "app/Services.h"
#include "app/Session.h"
#include "app/TForm1.h"

std::string TForm1::saveSettings() {
  try {
    writeSettings(outerGeometry());
  } catch (const std::exception& e) {
    return e.what();
  }
  savedState_ = settingsState();
  if (services_.session) services_.session->settingsDirty(false);
  return {};
}

std::string TForm1::settingsState() const {
  const QRect outer = outerGeometry();
  std::string state = std::to_string(outer.left()) + ',' + std::to_string(outer.top()) + ',' +
                      std::to_string(outer.width()) + ',' + std::to_string(outer.height());
  for (int i = 0; GateFiles && i < GateFiles->count(); ++i) state += '\n' + GateFiles->get(i);
  if (SyncChoice && SendClock)
    state += '\n' + std::to_string(SyncChoice->currentIndex()) + ',' +
             SyncInput->currentText().toStdString() + ',' + (SendClock->isChecked() ? '1' : '0');
  return state;
}

void TForm1::settingsChanged() {
  // Before the open is complete there is no saved state to differ from.
  if (services_.session == nullptr || !sessionReady_ || destroyed_) return;
  services_.session->settingsDirty(settingsState() != savedState_);
}

void TForm1::showForSession(bool show) {
  if (show) {
    this->show();
    raise();
  } else if (isVisible()) {
    lastOuter_ = frameGeometry();
    // As when the pointer leaves the pad: no note sounds on in a window nobody sees.
    PadDown = false;
    MidiOut->reset();
    endLongNote();
    hide();
  }
  if (services_.session) services_.session->guiShown(show);
}

void TForm1::listCompleted() {
  if (services_.session == nullptr || sessionReady_) return;
  sessionReady_ = true;
  services_.session->ready();
}

void TForm1::terminate() {
  terminating_ = true;
  if (isVisible()) lastOuter_ = frameGeometry();
  // A note's wait ends at once, and no tick starts after it.
  closeRequested_ = true;
  waiter().interrupt();
  QCoreApplication::exit(0);
}

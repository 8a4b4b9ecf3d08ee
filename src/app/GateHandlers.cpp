// The ten gate pattern slots: start-up, shutdown, the slot buttons and the slot list.
#include "app/Controls.h"
#include "app/IniFile.h"
#include "app/TForm1.h"
#include "engine/GateSlots.h"

namespace {
const QString kHasFile = QString::fromUtf8("♪");
}  // namespace

void TForm1::readGateSlots() {
  for (int i = 0; i < engine::kGateSlotCount; ++i)
    GateFiles->add(Ini->readString(app::kSettingsSection, engine::gateSlotKey(i), ""));
  for (int i = 0; i < engine::kGateSlotCount; ++i)
    if (!GateFiles->get(i).empty()) SpeedButtons[static_cast<std::size_t>(i)]->setText(kHasFile);
  engine::loadStartupPattern(*GateFiles, *GatePattern);
}

void TForm1::writeGateSlots() {
  for (int i = 0; i < engine::kGateSlotCount; ++i) {
    try {
      const std::string& path = GateFiles->get(i);
      // Skipped like a failed write: the file keeps what it held for this slot.
      if (!engine::storableSlotPath(path)) continue;
      Ini->writeString(app::kSettingsSection, engine::gateSlotKey(i), path);
    } catch (...) {
      // A slot that cannot be written is skipped; the others are still attempted.
    }
  }
}

void TForm1::SpeedButton1Click(int tag) {
  const bool loaded = engine::clickGateSlot(tag, SlotRightDown, *GateFiles, *GatePattern, [this] {
    return dialogs().openFile(app::FileDialog::GatePattern);
  });
  if (loaded) SpeedButtons.at(static_cast<std::size_t>(tag))->setText(kHasFile);
  settingsChanged();  // a slot's file is kept in the settings file
}

void TForm1::SpeedButton1MouseDown(int, Qt::MouseButton button) {
  if (button == Qt::RightButton) SlotRightDown = true;
}

void TForm1::SpeedButton1MouseUp(int, Qt::MouseButton button) {
  if (button == Qt::RightButton) SlotRightDown = false;
}

void TForm1::SpeedButton1MouseLeave(int) {
  SlotRightDown = false;
}

void TForm1::GateArp1Click() {
  dialogs().message(engine::gateFileListText(*GateFiles));
}

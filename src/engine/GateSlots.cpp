// The ten gate pattern slots: start-up, shutdown, the slot buttons and the slot list.
#include "engine/GateSlots.h"

#include "app/Controls.h"
#include "app/IniFile.h"
#include "app/TForm1.h"
#include "lib/Convert.h"
#include "lib/Error.h"
#include "pad/Limits.h"

namespace engine {

std::string gateSlotKey(int slot) {
  return "GateArp" + lib::IntToStr(slot);
}

void setDefaultGatePattern(lib::StringList& pattern) {
  pattern.assign({"480", "480", "480", "480"});
}

void loadGatePattern(lib::StringList& pattern, const std::string& path) {
  pattern.loadFromFile(path, pad::kMaxTableEntries);
}

void loadStartupPattern(const lib::StringList& files, lib::StringList& pattern) {
  const std::string& path = files.get(0);
  if (!path.empty()) {
    try {
      loadGatePattern(pattern, path);
      return;
    } catch (const lib::FileError&) {
      // A missing or unreadable file must not stop the program from starting.
    }
  }
  setDefaultGatePattern(pattern);
}

bool clickGateSlot(int slot, bool rightHeld, lib::StringList& files, lib::StringList& pattern,
                   const AskPatternFile& ask) {
  const std::string path = files.get(slot);
  pattern.clear();
  if (!rightHeld && !path.empty()) {
    try {
      loadGatePattern(pattern, path);
      return true;
    } catch (const lib::FileError&) {
      // An unreadable slot file is treated like an empty slot: the dialog asks for another.
    }
  }
  const std::optional<std::string> chosen = ask();
  if (!chosen) {
    setDefaultGatePattern(pattern);
    return false;
  }
  loadGatePattern(pattern, *chosen);
  files.set(slot, *chosen);
  return true;
}

std::string gateFileListText(const lib::StringList& files) {
  std::string text;
  for (const std::string& path : files.items()) text += path + "\n";
  return text;
}

bool storableSlotPath(const std::string& path) {
  return path.find_first_of("\r\n") == std::string::npos;
}

}  // namespace engine

namespace {
const std::string kSection = "Korvane";
const QString kHasFile = QString::fromUtf8("♪");
}  // namespace

void TForm1::readGateSlots() {
  for (int i = 0; i < engine::kGateSlotCount; ++i)
    GateFiles->add(Ini->readString(kSection, engine::gateSlotKey(i), ""));
  for (int i = 0; i < engine::kGateSlotCount; ++i)
    if (!GateFiles->get(i).empty()) SpeedButtons[i]->setText(kHasFile);
  engine::loadStartupPattern(*GateFiles, *GatePattern);
}

void TForm1::writeGateSlots() {
  for (int i = 0; i < engine::kGateSlotCount; ++i) {
    try {
      const std::string& path = GateFiles->get(i);
      // Skipped like a failed write: the file keeps what it held for this slot.
      if (!engine::storableSlotPath(path)) continue;
      Ini->writeString(kSection, engine::gateSlotKey(i), path);
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

// The ten gate pattern slots.
#include "app/IniFile.h"
#include "app/TForm1.h"
#include "lib/Convert.h"

namespace {
const std::string kSection = "Korvane";
std::string slotKey(int i) { return "GateArp" + lib::IntToStr(i); }
}  // namespace

void TForm1::readGateSlots() {
  for (int i = 0; i < 10; ++i) GateFiles->add(Ini->readString(kSection, slotKey(i), ""));
  for (int i = 0; i < 4; ++i) GatePattern->add("480");
}

void TForm1::writeGateSlots() {
  for (int i = 0; i < 10; ++i) {
    try {
      Ini->writeString(kSection, slotKey(i), GateFiles->get(i));
    } catch (...) {
      // A slot that cannot be written is skipped; the others are still attempted.
    }
  }
}

void TForm1::SpeedButton1Click(int) {}
void TForm1::SpeedButton1MouseDown(int, Qt::MouseButton) {}
void TForm1::SpeedButton1MouseUp(int, Qt::MouseButton) {}
void TForm1::SpeedButton1MouseLeave(int) {}
void TForm1::GateArp1Click() {}

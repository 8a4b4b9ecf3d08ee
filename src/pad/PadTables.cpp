// The key, volume and note-name tables and their generators.
#include "app/TForm1.h"
#include "lib/Convert.h"
#include "pad/NoteNames.h"

namespace pad {

std::string noteName(int k) {
  static const char* kPitch[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return std::string(kPitch[k % 12]) + lib::IntToStr(k / 12 - 1);
}

}  // namespace pad

void TForm1::buildDefaultTables() {
  for (int n = 0; n <= 127; ++n) {
    KeyList->add(lib::IntToStr(n));
    VolumeList->add(lib::IntToStr(127 - n));
  }
  for (int k = 0; k < 132; ++k) NoteNames->add(pad::noteName(k));
}

void TForm1::Button1Click() {}
void TForm1::Button3Click() {}

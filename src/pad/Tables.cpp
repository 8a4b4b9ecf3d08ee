// The default note names and the random refill of the tables.
#include "lib/Convert.h"
#include "pad/Generator.h"
#include "pad/NoteNames.h"

namespace pad {

std::string noteName(int k) {
  static const char* kPitch[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return std::string(kPitch[k % 12]) + lib::IntToStr(k / 12 - 1);
}

void generateTable(lib::StringList& table, const std::function<int()>& count, Random& random,
                   int modulus) {
  table.clear();
  for (int i = 0; i < count(); ++i) table.add(lib::IntToStr(random.draw() % modulus));
}

}  // namespace pad

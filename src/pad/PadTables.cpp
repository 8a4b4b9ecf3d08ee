// The key, volume and note-name tables and their generators.
#include <QLineEdit>

#include "app/Controls.h"
#include "app/TForm1.h"
#include "lib/Convert.h"
#include "lib/Error.h"
#include "pad/Generator.h"
#include "pad/Limits.h"
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

namespace {

/// Refills table from the count in field; a count beyond any pad is refused before anything
/// changes, so a stray "2147483647" cannot exhaust memory.
void refill(TForm1& form, lib::StringList& table, QLineEdit* field, int modulus) {
  const std::string text = field->text().toStdString();
  if (const auto n = lib::tryStrToInt(text); n && *n > pad::kMaxTableEntries) {
    form.dialogs().error(lib::format("'%s' は大きすぎます。 %s 以下にしてください。",
                                     {text, lib::IntToStr(pad::kMaxTableEntries)}));
    return;
  }
  auto count = [field] { return lib::StrToInt(field->text().toStdString()); };
  pad::generateTable(table, count, form.Rand, modulus);
  form.PaintBox1->requestRepaint();
}

}  // namespace

void TForm1::buildDefaultTables() {
  for (int n = 0; n <= 127; ++n) {
    KeyList->add(lib::IntToStr(n));
    VolumeList->add(lib::IntToStr(127 - n));
  }
  for (int k = 0; k < 132; ++k) NoteNames->add(pad::noteName(k));
}

void TForm1::Button1Click() {
  refill(*this, *KeyList, Edit2, 128);
}
void TForm1::Button3Click() {
  refill(*this, *VolumeList, Edit4, 127);
}

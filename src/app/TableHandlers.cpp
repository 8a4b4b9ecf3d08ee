// The key and volume tables: defaults, generators and files.
#include <QLineEdit>

#include "app/Controls.h"
#include "app/TForm1.h"
#include "lib/Convert.h"
#include "lib/Error.h"
#include "pad/Generator.h"
#include "pad/Limits.h"
#include "pad/NoteNames.h"
#include "pad/ScaleFiles.h"

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

void TForm1::Button2Click() {
  const auto path = dialogs().openFile(app::FileDialog::KeyScale);
  if (!path) return;
  lib::StringList lines;
  try {
    lines.loadFromFile(*path, pad::kMaxTableEntries);
  } catch (const lib::FileTooLargeError&) {
    throw;  // a file chosen by mistake leaves the columns as they were
  } catch (const lib::FileError&) {
    KeyList->clear();  // emptied before the file is opened: a failed open leaves no columns
    throw;
  }
  KeyList->assign(pad::keysFromNames(lines.items(), *NoteNames));
  PaintBox1->requestRepaint();
}

void TForm1::Button4Click() {
  const auto path = dialogs().openFile(app::FileDialog::Volume);
  if (!path) return;
  VolumeList->loadFromFile(*path, pad::kMaxTableEntries);  // unchanged when it fails
  PaintBox1->requestRepaint();
}

// The device list, device and program changes, the key-up note-off and the panel-leave reset.
#include <QComboBox>

#include "app/TForm1.h"
#include "lib/Convert.h"

namespace {

/// Note of the key-up note-off for a virtual-key code; other keys keep the last data byte.
int keyUpNote(int key, int previous) {
  switch (key) {
    case 97: return 60;   // numeric keypad 1
    case 115: return 61;  // F4
    case 100: return 62;  // numeric keypad 4
    case 102: return 63;  // numeric keypad 6
    case 103: return 64;  // numeric keypad 7
    case 104: return 65;  // numeric keypad 8
    case 106: return 66;  // numeric keypad *
    case 107: return 67;  // numeric keypad +
    default: return previous;
  }
}

}  // namespace

void TForm1::openMidiAtStartup() {
  const int n = devices().count();
  ComboBox1->clear();
  DeviceIds.clear();
  for (int id = 0; id < n; ++id) {
    if (auto name = devices().name(id)) {
      ComboBox1->addItem(QString::fromUtf8(*name));
      DeviceIds.push_back(id);
    }
  }
  ComboBox1->setCurrentIndex(ComboBox1->count() > 0 ? 0 : -1);
  const int position = ComboBox1->currentIndex();
  MidiOut = devices().open(position < 0 ? -1 : DeviceIds[static_cast<std::size_t>(position)]);
}

void TForm1::ComboBox1Change() {
  if (MidiOut) MidiOut->close();
  const int position = ComboBox1->currentIndex();
  MidiOut = devices().open(position < 0 ? -1 : DeviceIds[static_cast<std::size_t>(position)]);
}

void TForm1::ComboBox2Change() {
  Channel = lib::StrToInt(Edit1->currentText().toStdString()) - 1;
  MsgStatus = 0xC0 + Channel;
  MsgNote = ComboBox2->currentIndex();
  MsgVelocity = 0;
  MidiOut->send({MsgStatus, MsgNote, 0});
}

void TForm1::FormKeyUp(int key) {
  MsgNote = keyUpNote(key, MsgNote);
  MsgStatus = 0x80;
  MsgVelocity = 127;
  Channel = 0;
  MidiOut->send({MsgStatus, MsgNote, 127});
}

void TForm1::Panel1MouseLeave() {
  PadDown = false;
  MidiOut->reset();
}

// The device list, device and program changes, the key-up note-off, the panel-leave reset and
// the panic key.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QSignalBlocker>
#include <algorithm>
#include <iostream>

#include "app/CommandLine.h"
#include "app/TForm1.h"
#include "engine/Channel.h"
#include "lib/Convert.h"
#include "midi/Keys.h"

namespace {

/// The device behind ComboBox1's selected position; −1 (open nothing) when none is selected.
int selectedDevice(const QComboBox& list, const std::vector<int>& ids) {
  const int position = list.currentIndex();
  if (position < 0 || position >= static_cast<int>(ids.size())) return -1;
  return ids[static_cast<std::size_t>(position)];
}

}  // namespace

void TForm1::openMidiAtStartup() {
  fillDeviceList();
  openStartDevice(false);
}

void TForm1::openStartDevice(bool final) {
  int position = ComboBox1->count() > 0 ? 0 : -1;
  if (services_.startDevice) {
    const auto id = app::findDevice(devices(), *services_.startDevice);
    const auto found = id ? std::find(DeviceIds.begin(), DeviceIds.end(), *id) : DeviceIds.end();
    if (found != DeviceIds.end()) {
      position = static_cast<int>(found - DeviceIds.begin());
    } else if (final) {
      std::cerr << "korvane: no output device matches '" << *services_.startDevice
                << "'; opening the first\n";
    } else {
      position = -1;
    }
  }
  // Until the slow backends are listed the device may be among them: nothing is opened yet.
  startPending_ = !final && position < 0;
  ComboBox1->setCurrentIndex(position);
  MidiOut = devices().open(selectedDevice(*ComboBox1, DeviceIds));
}

void TForm1::completeDeviceList() {
  // Posted to the application, which outlives the window and the devices' thread alike.
  QPointer<TForm1> self(this);
  devices().completeInBackground([self] {
    QMetaObject::invokeMethod(
        qApp,
        [self] {
          // An open drop-down has listed the complete list itself.
          if (self && !self->ComboBox1->view()->isVisible())
            self->guarded([&self] { self->relistDevices(); });
        },
        Qt::QueuedConnection);
  });
}

void TForm1::fillDeviceList() {
  const int n = devices().count();
  ComboBox1->clear();
  DeviceIds.clear();
  for (int id = 0; id < n; ++id) {
    // A device that cannot be named is left out; the map keeps the others on their own ids.
    if (auto name = devices().name(id)) {
      ComboBox1->addItem(QString::fromStdString(*name));
      DeviceIds.push_back(id);
    }
  }
}

void TForm1::relistDevices() {
  // The devices of now, the open one still selected by its name; the port itself is left alone.
  // Once gone, nothing is shown selected: its name alone would claim a connection that is lost.
  const QString open = ComboBox1->currentText();
  const QSignalBlocker quiet(ComboBox1);
  fillDeviceList();
  if (startPending_) {
    // The complete list: what start-up would have opened, had it been listed then.
    MidiOut->close();
    openStartDevice(true);
    return;
  }
  ComboBox1->setCurrentIndex(open.isEmpty() ? -1 : ComboBox1->findText(open));
}

void TForm1::ComboBox1DropDown() {
  devices().refresh();
  relistDevices();
}

void TForm1::ComboBox1Change() {
  startPending_ = false;
  // No note is left sounding on the old port; nothing is re-sent to the new one.
  MidiOut->reset();
  MidiOut->close();
  MidiOut = devices().open(selectedDevice(*ComboBox1, DeviceIds));
}

void TForm1::ComboBox2Change() {
  Channel = engine::requireChannel(Edit1->currentText().toStdString());
  MsgStatus = 0xC0 + Channel;
  MsgNote = ComboBox2->currentIndex();
  MsgVelocity = 0;
  MidiOut->send({MsgStatus, MsgNote, 0});
}

void TForm1::FormKeyUp(int key) {
  MsgNote = midi::keyUpNote(key, MsgNote);
  MsgStatus = 0x80;
  MsgVelocity = 127;
  Channel = 0;
  MidiOut->send({MsgStatus, MsgNote, 127});
}

void TForm1::Panic() {
  // Silences now; a pad still held plays on at the clock's next note, as the user asks.
  MidiOut->panic();
}

void TForm1::Panel1MouseLeave() {
  // A closing window loses the pointer as it goes; the reset of shutdown follows anyway.
  if (closeRequested_) return;
  PadDown = false;
  MidiOut->reset();
  clockOutRelease();
  endLongNote();
}

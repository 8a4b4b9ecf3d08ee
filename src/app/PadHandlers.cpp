// The pad: its grid, the pointer state, the first note of a press and the release.
#include <QComboBox>
#include <QPainter>

#include "app/Controls.h"
#include "app/TForm1.h"
#include "engine/Channel.h"
#include "lib/Convert.h"
#include "pad/Cells.h"
#include "pad/Grid.h"

void TForm1::PaintBox1Paint() {
  QPainter painter(PaintBox1);
  // After shutdown has freed the tables only the black ground is left to show.
  const int rows = VolumeList ? VolumeList->count() : 0;
  const int cols = KeyList ? KeyList->count() : 0;
  pad::drawGrid(painter, PaintBox1->width(), PaintBox1->height(), rows, cols);
}

void TForm1::PaintBox1MouseEnter() {
  PointerIn = true;
  wakeClock();
}

void TForm1::PaintBox1MouseLeave() {
  PointerIn = false;
}

void TForm1::PaintBox1MouseMove(int x, int y) {
  PointerX = x;
  PointerY = y;
  wakeClock();
}

void TForm1::PaintBox1MouseDown(Qt::MouseButton button, int x, int y) {
  if (button == Qt::RightButton) ArpDown = true;
  if (!PointerIn || button != Qt::LeftButton) return;
  wakeClock();
  // A pad without columns or rows has no cell to play.
  if (KeyList->count() == 0 || VolumeList->count() == 0) return;
  const pad::Cell cell = pad::CellAt(x, y, PaintBox1->width(), PaintBox1->height(),
                                     KeyList->count(), VolumeList->count());
  // Converted before PadDown is set: a bad entry is reported once and nothing follows.
  const int note = lib::StrToInt(KeyList->get(cell.column));
  const int velocity = lib::StrToInt(VolumeList->get(cell.row));
  PadDown = true;
  clockDue_.reset();  // a press starts the clock's run of notes afresh
  LastNote = note;
  RowVelocity = velocity;
  MsgVelocity = RowVelocity;
  Channel = engine::requireChannel(Edit1->currentText().toStdString());
  LastVelocity = MsgVelocity;
  MsgStatus = 0x90 + Channel;
  MsgNote = note;
  clockOutPress();  // the receiver's first beat is this note
  MidiOut->send({MsgStatus, MsgNote, MsgVelocity});
}

void TForm1::PaintBox1MouseUp(Qt::MouseButton button, int, int) {
  if (!PointerIn) return;
  if (button == Qt::RightButton) {
    ArpDown = false;
    GateStep = 0;
  }
  if (button == Qt::LeftButton) {
    PadDown = false;
    Channel = engine::requireChannel(Edit1->currentText().toStdString());
    MsgStatus = 0x80 + Channel;
    MsgNote = 60;
    MsgVelocity = 0;
    Channel = 0;
    MidiOut->send({MsgStatus, LastNote, LastVelocity});
    clockOutRelease();
  }
  if (button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton)
    MidiOut->reset();
  endLongNote();
}

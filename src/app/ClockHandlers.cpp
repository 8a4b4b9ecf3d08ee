// The note clock tick: plays the cell under the pointer while the left button is held.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>

#include "app/Controls.h"
#include "app/TForm1.h"
#include "engine/GateStep.h"
#include "lib/Convert.h"
#include "pad/Cells.h"

// Every failure here ends the tick silently: an error box would come back every millisecond.
void TForm1::NoteClockTick(int timerId) {
  if (timerId != 0 || clockWaiting_ || closeRequested_) return;
  if (!PointerIn) return restClock();
  bool changed = false;
  const auto key = clockCell(changed);
  // Hovering, the tick only follows the pointer: once the caption is up to date the timer
  // rests until the pointer, the pad or its tables change.
  if (!PadDown) {
    if (!changed) restClock();
    return;
  }
  if (!key) return;
  const auto tempo = engine::tempoOf(Edit5->text().toStdString());
  if (!tempo) return;
  const auto step = clockStep(*tempo);
  const auto channel = lib::tryStrToInt(Edit1->currentText().toStdString());
  if (!step || !channel) return;
  Channel = *channel - 1;  // the previous note ends with the velocity of the row now
  MsgStatus = 0x80 + Channel;
  Channel = 0;
  MidiOut->send({MsgStatus, LastNote, MsgVelocity});
  MsgNote = *key;
  Channel = *channel - 1;
  MsgStatus = 0x90 + Channel;
  Channel = 0;
  LastNote = MsgNote;  // also on a rest: the next note-off names a note that never sounded
  LastVelocity = MsgVelocity;
  if (!step->rest) MidiOut->send({MsgStatus, MsgNote, MsgVelocity});
  clockWait(step->ms);
  if (step->index >= 0) GateStep = engine::nextStep(step->index, GatePattern->count());
}

/// The cell under the pointer: sets RowVelocity, MsgVelocity and the caption (changed: its
/// text is new); the cell's note, or nullopt when the guard or the tables say there is none.
std::optional<int> TForm1::clockCell(bool& changed) {
  const int columns = KeyList->count(), rows = VolumeList->count();
  const int width = PaintBox1->width();
  if (!pad::InsideClockGuard(PointerX, width, columns) || rows == 0) return std::nullopt;
  const int column = pad::ColumnOf(PointerX, width, columns);
  const int row = pad::RowOf(PointerY, PaintBox1->height(), rows);
  const auto velocity = lib::tryStrToInt(VolumeList->get(row));
  const auto key = lib::tryStrToInt(KeyList->get(column));
  if (!velocity || !key || *key < 0 || *key >= NoteNames->count()) return std::nullopt;
  RowVelocity = *velocity;
  MsgVelocity = RowVelocity;
  std::string caption = NoteNames->get(*key) + "-" + lib::IntToStr(RowVelocity);
  changed = caption != clockCaption_;
  if (changed) {
    setWindowTitle(QString::fromStdString(caption));
    clockCaption_ = std::move(caption);
  }
  return key;
}

/// The step this tick plays: the Length slider's, or in gate mode the pattern's (index ≥ 0).
std::optional<engine::PlannedStep> TForm1::clockStep(long double tempo) {
  if (ArpDown || CheckBox1->isChecked()) {
    auto step = engine::planStep(GatePattern->items(), GateStep, tempo);
    if (step) GateStep = step->index;  // entries passed over count as stepped
    return step;
  }
  const auto ms = engine::waitMs(tempo, TrackBar1->value());
  if (!ms) return std::nullopt;
  return engine::PlannedStep{-1, false, *ms};
}

/// Waits a note's length. The timer rests meanwhile; the delivery that fell due follows the
/// input held back during the wait, so the next note starts at once.
void TForm1::clockWait(long long ms) {
  if (ms <= 0) return waiter().wait(ms);
  const bool running = NoteClock->isActive();
  if (running) NoteClock->stop();
  clockWaiting_ = true;
  waiter().wait(ms);
  clockWaiting_ = false;
  if (!running || closeRequested_) return;
  NoteClock->start();
  QMetaObject::invokeMethod(
      this, [this] { guarded([this] { NoteClockTick(0); }); }, Qt::QueuedConnection);
}

/// Off the pad, or hovering with nothing new, a tick does nothing: the timer need not run.
void TForm1::restClock() {
  if (!NoteClock->isActive()) return;
  NoteClock->stop();
  clockResting_ = true;
}

/// Restarts a resting timer: something the tick reads has changed.
void TForm1::wakeClock() {
  if (!clockResting_ || closeRequested_) return;
  clockResting_ = false;
  NoteClock->start();
}

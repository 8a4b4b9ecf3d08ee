// The note clock tick: gathers what the rule reads, applies what it decides.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>

#include "app/Controls.h"
#include "app/TForm1.h"
#include "engine/ClockTick.h"
#include "engine/GateStep.h"
#include "engine/TickMoment.h"

// Every failure ends the tick silently (engine::decideTick): an error box would come back
// every millisecond.
void TForm1::NoteClockTick(int timerId) {
  if (timerId != 0 || clockWaiting_ || closeRequested_) return;
  const std::string tempo = Edit5->text().toStdString();
  const std::string channel = Edit1->currentText().toStdString();
  const engine::TickResult tick = engine::decideTick({
      .pointerIn = PointerIn,
      .padDown = PadDown,
      .x = PointerX,
      .y = PointerY,
      .width = PaintBox1->width(),
      .height = PaintBox1->height(),
      .keys = &KeyList->items(),
      .volumes = &VolumeList->items(),
      .noteNames = &NoteNames->items(),
      .caption = clockCaption_,
      .tempo = tempo,
      .length = TrackBar1->value(),
      .gate = ArpDown || CheckBox1->isChecked(),
      .pattern = &GatePattern->items(),
      .gateStep = GateStep,
      .channel = channel,
      .lastNote = LastNote,
  });
  if (tick.caption) {
    setWindowTitle(QString::fromStdString(*tick.caption));
    clockCaption_ = *tick.caption;
  }
  if (tick.velocity) RowVelocity = MsgVelocity = *tick.velocity;
  if (!tick.played) clockDue_.reset();
  if (tick.rest) return restClock();
  if (!tick.played) {
    if (tick.gateStep) GateStep = *tick.gateStep;
    return;
  }
  if (followed_) return gridTick(tick);
  const engine::TickMoment when =
      engine::timeTick(clockDue_, std::chrono::steady_clock::now(), tick.waitMs);
  MsgStatus = tick.status;
  MsgNote = LastNote = tick.note;  // also on a rest: the next note-off names a silent note
  LastVelocity = MsgVelocity;
  Channel = 0;
  for (const engine::TickMessage& m : tick.messages)
    MidiOut->send({m.status, m.data1, m.data2}, when.at);
  clockDue_ = when.due;
  // Advanced before the wait: a right release handled during a long note resets it for good.
  if (tick.gateStep) GateStep = *tick.gateStep;
  clockWait(when.at, tick.waitMs);
}

/// Waits a note's length from the tick's moment. The timer rests meanwhile; the delivery that
/// fell due follows the input held back during the wait, so the next note starts at once.
void TForm1::clockWait(std::chrono::steady_clock::time_point from, long long ms) {
  if (ms <= 0) return waiter().wait(ms);
  holdClock([&] {
    // MIDI clock out: the pulses keep their moments through the wait.
    if (pulseChime_)
      waiter().waitUntil(from + std::chrono::milliseconds(ms), pulseChime_.get());
    else
      waiter().waitFrom(from, ms);
  });
}

/// Runs a wait of the clock: no tick starts meanwhile, the next one follows it at once.
void TForm1::holdClock(const std::function<void()>& wait) {
  const bool running = NoteClock->isActive();
  if (running) NoteClock->stop();
  clockWaiting_ = true;
  wait();
  clockWaiting_ = false;
  if (!running || closeRequested_) return;
  NoteClock->start();
  QMetaObject::invokeMethod(
      this, [this] { guarded([this] { NoteClockTick(0); }); }, Qt::QueuedConnection);
}

/// Input is handled during a long note; what ends the playing also ends the note's wait.
void TForm1::endLongNote() {
  if (clockWaiting_ && engine::endsWait(PadDown, closeRequested_)) waiter().interrupt();
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

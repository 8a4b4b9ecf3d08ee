// The note clock on a followed grid, and MIDI clock out.
#include <QLineEdit>
#include <QTimer>
#include <cmath>
#include <thread>

#include "app/TForm1.h"
#include "engine/ClockTick.h"
#include "engine/GateStep.h"
#include "engine/SyncGrid.h"
#include "sync/ClockOut.h"
#include "sync/Source.h"

namespace {

using Clock = std::chrono::steady_clock;

// A tick this much before its strike's moment woke early (the wait was cut short): it waits on.
constexpr auto kEarly = std::chrono::microseconds(500);
// Pulses closer than this are slept for rather than left to the timer, which rounds to whole
// milliseconds.
constexpr auto kPulseStretch = std::chrono::milliseconds(3);

/// The pulses' moments for the clock's waits.
class PulseChime : public app::Chime {
 public:
  PulseChime(ksync::ClockOut& out, std::function<void()> send)
      : out_(out), send_(std::move(send)) {}
  std::optional<Clock::time_point> next() override { return out_.next(); }
  void ring() override { send_(); }

 private:
  ksync::ClockOut& out_;
  std::function<void()> send_;
};

}  // namespace

void TForm1::followSource(std::unique_ptr<ksync::Source> source, bool showsTempo) {
  const bool had = static_cast<bool>(followed_);
  followed_ = std::move(source);
  followedTempo_ = followed_ && showsTempo;
  gridNext_.reset();
  // An entry begun for the source given up is not proposed to the next one.
  tempoTyped_ = false;
  if (tempoPause_) tempoPause_->stop();
  // The tempo field's own tempo takes over again when nothing is followed.
  if (had && !followed_) Edit5->setText(QString::fromStdString(ownTempo_));
  if (!had && followed_) ownTempo_ = Edit5->text().toStdString();
  Edit5->setReadOnly(followedTempo_);
  if (!syncTimer_) {
    syncTimer_ = new QTimer(this);
    syncTimer_->setInterval(100);
    connect(syncTimer_, &QTimer::timeout, this, [this] { guarded([this] { showSync(); }); });
  }
  if (followed_)
    syncTimer_->start();
  else
    syncTimer_->stop();
  showSync();
}

void TForm1::gridTick(const engine::TickResult& tick) {
  const auto now = Clock::now();
  const auto lead = MidiOut->lead();
  const auto beat = followed_->at(now + lead);
  const bool running = beat && beat->running;
  // A note's length: at the source's tempo, or at the tempo field's while the source is silent.
  const auto step = [&] {
    return beat ? engine::stepDuration(beat->tempo, tick.ticks)
                : std::chrono::nanoseconds(std::chrono::milliseconds(tick.waitMs));
  };
  if (!clockDue_) {
    // The press has just sounded the run's first note: the clock strikes from the first grid
    // point at least half a step after it, rather than doubling the press at once.
    clockDue_ = now;
    noteEnd_ = now + lead + step();
    gridNext_.reset();
    if (!running) return;
    const auto point =
        engine::nextGridPoint(beat->beat, beat->tempo, tick.ticks, now + lead, std::nullopt, true);
    if (!point) return;
    gridNext_ = point->at - lead;
    gridNextBeat_ = point->beat;
    return gridWait(*gridNext_);
  }
  if (gridNext_ && now + kEarly < *gridNext_) return gridWait(*gridNext_);
  if (!(running && gridNext_)) {
    if (running) {
      // Resumed: on to the first grid point the strike can still reach.
      const auto point = engine::nextGridPoint(beat->beat, beat->tempo, tick.ticks, now + lead,
                                               std::nullopt, false);
      if (!point) return;
      gridNext_ = point->at - lead;
      gridNextBeat_ = point->beat;
      return gridWait(*gridNext_);
    }
    // Held: the source stopped or went silent. The sounding note ends at its length.
    gridNext_.reset();
    if (noteEnd_ && now >= *noteEnd_ - lead && !tick.messages.empty()) {
      const engine::TickMessage& off = tick.messages.front();
      MidiOut->send({off.status, off.data1, off.data2}, *noteEnd_ - lead);
      noteEnd_.reset();
    }
    return;
  }
  // Timed afresh from this tick's reading: the one a step ago went through a mapping of the
  // source's clock (JACK frames, Link's) that has moved since, by milliseconds after an xrun.
  const Clock::time_point at =
      now +
      std::chrono::nanoseconds(std::llround((gridNextBeat_ - beat->beat) * 60e9 / beat->tempo));
  const double previous = gridNextBeat_;
  gridStrike(tick, at);
  noteEnd_ = at + lead + step();
  gridNext_.reset();
  const auto point =
      engine::nextGridPoint(beat->beat, beat->tempo, tick.ticks, now + lead, previous, false);
  if (!point) return;
  gridNext_ = point->at - lead;
  gridNextBeat_ = point->beat;
  gridWait(*gridNext_);
}

/// Plays the tick's messages for moment at, as the clock does without a source.
void TForm1::gridStrike(const engine::TickResult& tick, Clock::time_point at) {
  MsgStatus = tick.status;
  MsgNote = LastNote = tick.note;
  LastVelocity = MsgVelocity;
  Channel = 0;
  for (const engine::TickMessage& m : tick.messages)
    MidiOut->send({m.status, m.data1, m.data2}, at);
  clockDue_ = at;
  if (tick.gateStep) GateStep = *tick.gateStep;
}

void TForm1::gridWait(Clock::time_point deadline) {
  holdClock([&] { waiter().waitUntil(deadline, pulseChime_.get()); });
}

void TForm1::setSendClock(bool on) {
  if (on == static_cast<bool>(clockOut_)) return;
  if (!on) {
    if (pulseTimer_) pulseTimer_->stop();
    // A receiver that was started is stopped with the clock.
    if (MidiOut && clockOut_) {
      for (const auto& m : clockOut_->release(Clock::now()))
        MidiOut->send({m.status, m.data1, m.data2}, m.at);
    }
    pulseChime_.reset();
    clockOut_.reset();
    return;
  }
  clockOut_ = std::make_unique<ksync::ClockOut>();
  pulseChime_ = std::make_unique<PulseChime>(*clockOut_, [this] { sendPulses(); });
  if (!pulseTimer_) {
    pulseTimer_ = new QTimer(this);
    pulseTimer_->setTimerType(Qt::PreciseTimer);
    pulseTimer_->setInterval(1);
    connect(pulseTimer_, &QTimer::timeout, this, [this] { guarded([this] { pulseTimerTick(); }); });
  }
  pulseTimer_->start();
}

/// Sends the pulses whose moments have come, each for its own moment.
void TForm1::sendPulses() {
  if (!clockOut_ || !MidiOut || closeRequested_) return;
  const auto now = Clock::now();
  std::vector<ksync::ClockMessage> due;
  if (followed_) {
    const auto lead = MidiOut->lead();
    due = clockOut_->follow(followed_->at(now + lead), now + lead, lead, now);
  } else {
    const auto tempo = engine::tempoOf(Edit5->text().toStdString());
    due = clockOut_->freeRun(now, tempo ? static_cast<double>(*tempo) : 0);
  }
  for (const auto& m : due) MidiOut->send({m.status, m.data1, m.data2}, m.at);
}

void TForm1::pulseTimerTick() {
  // During the clock's waits the wait itself rings the pulses.
  if (clockWaiting_ || !clockOut_) return;
  if (const auto next = clockOut_->next(); next && *next - Clock::now() <= kPulseStretch)
    std::this_thread::sleep_until(*next);
  sendPulses();
}

void TForm1::clockOutPress() {
  if (!clockOut_ || followed_) return;
  const auto tempo = engine::tempoOf(Edit5->text().toStdString());
  for (const auto& m : clockOut_->press(Clock::now(), tempo ? static_cast<double>(*tempo) : 0))
    MidiOut->send({m.status, m.data1, m.data2}, m.at);
}

void TForm1::clockOutRelease() {
  if (!clockOut_ || followed_) return;
  for (const auto& m : clockOut_->release(Clock::now()))
    MidiOut->send({m.status, m.data1, m.data2}, m.at);
}

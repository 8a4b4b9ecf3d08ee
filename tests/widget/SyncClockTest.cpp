// The note clock following a source: strikes on its grid, the held clock, the tempo field,
// MIDI clock out and the Sync page's settings.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cmath>
#include <fstream>
#include <sstream>

#include "PadFixture.h"
#include "sync/Source.h"

namespace {

using test::msg;
using Clock = std::chrono::steady_clock;
using Notes = std::vector<std::uint32_t>;

/// A source whose beat runs at tempo from its origin while running.
struct FakeSource : ksync::Source {
  Clock::time_point origin = Clock::now();
  double tempo = 120;  // sixteenths (120 ticks) 125 ms apart
  bool running = true;
  bool silent = false;
  double beatAt(Clock::time_point at) const {
    return std::chrono::duration<double>(at - origin).count() * tempo / 60;
  }
  std::optional<ksync::Beat> at(Clock::time_point at) override {
    if (silent) return std::nullopt;
    return ksync::Beat{beatAt(at), tempo, running};
  }
  std::vector<double> proposed;
  void proposeTempo(double t) override { proposed.push_back(t); }
};

class SyncClockTest : public test::PadTest {
 protected:
  FakeSource* source = nullptr;
  void SetUp() override {
    // No JACK server or ALSA sequencer of anyone else's is ever reached from here.
    setenv("JACK_DEFAULT_SERVER", ("korvane-widget-none-" + std::to_string(getpid())).c_str(), 1);
    createWithPad(640, 256);
    waiter.sleeps = true;
    form->Edit3->setText("120");
  }
  /// showsTempo: the field shows the source's tempo, read-only; else it proposes (Link).
  void follow(bool showsTempo = true) {
    auto fake = std::make_unique<FakeSource>();
    source = fake.get();
    form->followSource(std::move(fake), showsTempo);
  }
  void hold(int x, int y) {
    form->PaintBox1MouseEnter();
    form->PaintBox1MouseMove(x, y);
    form->PaintBox1MouseDown(Qt::LeftButton, x, y);
  }
  /// The messages sent since the last call: bytes packed, and the moments they were sent for.
  std::vector<midi::Event> take() {
    std::vector<midi::Event> out;
    for (auto& e : *log)
      if (e.kind == midi::Event::Message) out.push_back(e);
    log->clear();
    return out;
  }
  static Notes packed(const std::vector<midi::Event>& events) {
    Notes out;
    for (const auto& e : events) out.push_back(e.packed());
    return out;
  }
  /// How far moment at is from the nearest multiple of step beats, in µs.
  double offGridUs(Clock::time_point at, double step) const {
    const double beat = source->beatAt(at);
    const double off = beat - std::round(beat / step) * step;
    return std::abs(off) * 60e6 / source->tempo;
  }
};

TEST_F(SyncClockTest, PressSoundsAtOnceThenStrikesFallOnTheGrid) {
  follow();
  hold(50, 20);  // note 10, velocity 117
  take();
  const double pressBeat = source->beatAt(Clock::now());
  form->NoteClockTick(0);  // the press's tick: the press sounds on, nothing doubles it
  EXPECT_EQ(packed(take()), Notes{});
  ASSERT_EQ(waiter.deadlines.size(), 1u);
  const double firstBeat = source->beatAt(waiter.deadlines[0]);
  EXPECT_LT(offGridUs(waiter.deadlines[0], 0.25), 5) << firstBeat;
  // No doubled note: the first grid point is at least half a step after the press.
  EXPECT_GE(firstBeat, pressBeat + 0.125 - 0.01);
  EXPECT_LE(firstBeat, pressBeat + 0.375);
  for (int strike = 1; strike <= 6; ++strike) {
    form->NoteClockTick(0);
    const auto sent = take();
    ASSERT_EQ(packed(sent), (Notes{msg(0x80, 10, 117), msg(0x90, 10, 117)})) << strike;
    // Each strike is sent for its own grid point, and the next one is a step later.
    EXPECT_EQ(sent[1].due, waiter.deadlines[strike - 1]) << strike;
    ASSERT_EQ(waiter.deadlines.size(), static_cast<std::size_t>(strike + 1));
    EXPECT_NEAR(source->beatAt(waiter.deadlines[strike]) - source->beatAt(sent[1].due), 0.25, 1e-4)
        << strike;
  }
  form->PaintBox1MouseUp(Qt::LeftButton, 50, 20);
  EXPECT_EQ(form->MidiOut->soundingCount(), 0);
}

TEST_F(SyncClockTest, StoppedSourceHoldsTheClockAndEndsTheNoteAtItsLength) {
  follow();
  hold(50, 20);
  form->NoteClockTick(0);
  form->NoteClockTick(0);  // a strike on the grid
  take();
  const Clock::time_point struck = waiter.deadlines.at(0);
  source->running = false;
  std::vector<midi::Event> sent;
  const auto until = Clock::now() + std::chrono::milliseconds(400);
  while (Clock::now() < until) {
    form->NoteClockTick(0);
    for (auto& e : take()) sent.push_back(e);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  // One note-off, a note's length (125 ms) after the strike; nothing struck meanwhile.
  ASSERT_EQ(packed(sent), (Notes{msg(0x80, 10, 117)}));
  EXPECT_EQ(sent[0].due, struck + std::chrono::milliseconds(125));
  EXPECT_EQ(form->MidiOut->soundingCount(), 0);
  // Running again: the next strike is on the grid, no burst of the ones missed.
  source->running = true;
  const auto waited = waiter.deadlines.size();
  form->NoteClockTick(0);
  EXPECT_EQ(packed(take()), Notes{});
  ASSERT_EQ(waiter.deadlines.size(), waited + 1);
  form->NoteClockTick(0);
  const auto resumed = take();
  ASSERT_EQ(packed(resumed), (Notes{msg(0x80, 10, 117), msg(0x90, 10, 117)}));
  EXPECT_LT(offGridUs(resumed[1].due, 0.25), 5);
  // Silent: held the same way, the note ending at its length.
  source->silent = true;
  form->NoteClockTick(0);
  const auto silent = take();
  ASSERT_EQ(packed(silent), (Notes{msg(0x80, 10, 117)}));
  EXPECT_EQ(silent[0].due, resumed[1].due + std::chrono::milliseconds(125));
}

TEST_F(SyncClockTest, GateStepsAndRestsAdvanceOnTheGrid) {
  follow();
  form->GatePattern->clear();
  for (const char* entry : {"120", "!120", "240"}) form->GatePattern->add(entry);
  form->CheckBox1->setChecked(true);
  hold(50, 20);
  take();
  form->NoteClockTick(0);  // the press's tick: step 0 waits for the grid
  EXPECT_TRUE(take().empty());
  std::vector<double> beats;
  for (int strike = 0; strike < 4; ++strike) {
    form->NoteClockTick(0);
    beats.push_back(source->beatAt(take().front().due));
  }
  // Step 1 (the rest) a sixteenth after step 0's grid point, step 2 a sixteenth later, then
  // step 0 again an eighth (240 ticks) later.
  EXPECT_NEAR(beats[1] - beats[0], 0.25, 1e-4);
  EXPECT_NEAR(beats[2] - beats[1], 0.25, 1e-4);
  EXPECT_NEAR(beats[3] - beats[2], 0.5, 1e-4);
  EXPECT_EQ(form->GateStep, 1);
}

TEST_F(SyncClockTest, TempoFieldShowsTheFollowedTempoAndGetsItsOwnBackOnOff) {
  form->Edit5->setText("98.5");
  follow();
  source->tempo = 123.456;
  form->showSync();
  EXPECT_EQ(form->Edit5->text(), "123.46");
  EXPECT_TRUE(form->Edit5->isReadOnly());
  EXPECT_TRUE(form->SyncStatus->text().startsWith("123.46 BPM"))
      << form->SyncStatus->text().toStdString();
  source->tempo = 140;
  form->showSync();
  EXPECT_EQ(form->Edit5->text(), "140");
  source->silent = true;
  form->showSync();
  EXPECT_EQ(form->Edit5->text(), "140");  // kept while silent
  form->followSource(nullptr, false);
  EXPECT_EQ(form->Edit5->text(), "98.5");
  EXPECT_FALSE(form->Edit5->isReadOnly());
}

TEST_F(SyncClockTest, OnlyAFinishedTempoEntryIsProposedToTheSession) {
  follow(false);
  auto* field = form->Edit5;
  field->setFocus();
  const auto typeOver = [&](const char* text) {
    field->selectAll();
    QTest::keyClicks(field, text);
  };
  const auto proposedWithin = [&](int ms) {
    for (const auto until = Clock::now() + std::chrono::milliseconds(ms);
         source->proposed.empty() && Clock::now() < until;)
      QTest::qWait(20);
    return source->proposed;
  };
  // Typed: nothing on the way ("1", "14"), the whole tempo once the typing pauses.
  typeOver("140");
  EXPECT_EQ(source->proposed, std::vector<double>{});
  EXPECT_EQ(proposedWithin(5000), std::vector<double>{140});
  source->proposed.clear();
  // Return ends the entry at once, and only once.
  typeOver("96.5");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(source->proposed, std::vector<double>{96.5});
  QTest::qWait(1200);
  EXPECT_EQ(source->proposed, std::vector<double>{96.5});
  source->proposed.clear();
  // No tempo, or one out of the session's range: nothing proposed.
  for (const char* text : {"5", "abc", "1200", ""}) {
    typeOver(text);
    if (*text == 0) QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Return);
  }
  QTest::qWait(1200);
  EXPECT_EQ(source->proposed, std::vector<double>{});
  // Return in a field not typed into keeps the session's tempo as it is.
  form->showSync();
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(source->proposed, std::vector<double>{});
  // A followed tempo (JACK transport, MIDI clock) is shown, never proposed.
  follow(true);
  typeOver("150");
  QTest::keyClick(field, Qt::Key_Return);
  QTest::qWait(1200);
  EXPECT_EQ(source->proposed, std::vector<double>{});
}

TEST_F(SyncClockTest, ClockOutStartsAtThePressAndStopsAtTheRelease) {
  form->Edit5->setText("125");  // a pulse every 20 ms
  form->SendClock->click();
  take();
  hold(50, 20);
  auto sent = take();
  ASSERT_GE(sent.size(), 3u);
  // Start and the first pulse for the press's moment, then the press's note.
  EXPECT_EQ(packed(sent), (Notes{0xFA, 0xF8, msg(0x90, 10, 117)}));
  EXPECT_EQ(sent[0].due, sent[1].due);
  const Clock::time_point pressed = sent[1].due;
  form->NoteClockTick(0);  // a 120-tick note: 120 ms, pulses rung through the wait
  sent = take();
  std::vector<Clock::time_point> pulses;
  for (const auto& e : sent)
    if (e.packed() == 0xF8) pulses.push_back(e.due);
  ASSERT_GE(pulses.size(), 5u);
  for (std::size_t i = 0; i < pulses.size(); ++i)
    EXPECT_EQ(pulses[i], pressed + std::chrono::milliseconds(20) * (i + 1)) << i;
  form->PaintBox1MouseUp(Qt::LeftButton, 50, 20);
  sent = take();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0].packed(), msg(0x80, 10, 117));
  EXPECT_EQ(sent[1].packed(), 0xFCu);
  form->SendClock->click();  // off
  QTest::qWait(30);
  EXPECT_TRUE(take().empty());
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(SyncClockTest, SettingsKeepTheChoiceOnlyOnceThePageLeavesOff) {
  form.reset();
  EXPECT_EQ(fileText(iniPath()).find("[Sync]"), std::string::npos);
  create();
  form->SyncChoice->setCurrentIndex(2);  // MIDI clock: no input to listen to here
  form->SyncChoiceChange();
  EXPECT_EQ(form->followed(), nullptr);
  EXPECT_EQ(form->SyncStatus->text(), "no such MIDI input");
  EXPECT_TRUE(dialogs.errors.empty());
  form.reset();
  const std::string text = fileText(iniPath());
  EXPECT_NE(text.find("[Sync]\nSource=midi-clock\n"), std::string::npos) << text;
  create();
  EXPECT_EQ(form->SyncChoice->currentIndex(), 2);
  form->SyncChoice->setCurrentIndex(0);
  form->SyncChoiceChange();
  form.reset();
  EXPECT_NE(fileText(iniPath()).find("Source=off"), std::string::npos);
}

}  // namespace

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "PadFixture.h"

namespace {

using test::msg;
using Notes = std::vector<std::uint32_t>;
using Waits = std::vector<long long>;

// 640 × 256 with the default tables: a column is 5 pixels, a row 2; note = x / 5,
// velocity = 127 − y / 2.
class ClockTest : public test::PadTest {
 protected:
  void SetUp() override { createWithPad(640, 256); }
  void hover(int x, int y) {
    form->PaintBox1MouseEnter();
    form->PaintBox1MouseMove(x, y);
  }
  void hold(int x, int y) {
    hover(x, y);
    form->PaintBox1MouseDown(Qt::LeftButton, x, y);
    takeNotes();
  }
  void tick(int times = 1) {
    for (int i = 0; i < times; ++i) form->NoteClockTick(0);
  }
  Waits takeWaits() {
    Waits w;
    w.swap(waiter.waits);
    return w;
  }
};

TEST_F(ClockTest, HeldPressEndsThePreviousNoteAndStrikesTheCellUnderThePointer) {
  form->Edit3->setText("120");
  hold(50, 20);  // note 10, velocity 117
  tick();
  EXPECT_EQ(takeNotes(), (Notes{msg(0x80, 10, 117), msg(0x90, 10, 117)}));
  form->PaintBox1MouseMove(100, 60);  // note 20, velocity 97
  tick();
  // The note-off names the previous note with the velocity of the row now under the pointer.
  EXPECT_EQ(takeNotes(), (Notes{msg(0x80, 10, 97), msg(0x90, 20, 97)}));
  EXPECT_EQ(takeWaits(), (Waits{120, 120}));
  EXPECT_EQ(form->LastNote, 20);
  EXPECT_EQ(form->Channel, 0);
  form->PaintBox1MouseUp(Qt::LeftButton, 100, 60);
  EXPECT_EQ(takeNotes(), (Notes{msg(0x80, 20, 97)}));
}

TEST_F(ClockTest, GuardIgnoresPositionsRightOfThePadAndFarLeftOfIt) {
  hold(50, 20);
  const struct {
    int x, y;
    Notes sent;
  } cases[] = {
      {640, 20, {}},
      {5000, 20, {}},
      {-5, 20, {}},
      {-4, 20, {msg(0x80, 10, 117), msg(0x90, 0, 117)}},
      {639, -50, {msg(0x80, 0, 127), msg(0x90, 127, 127)}},  // above: the top row
      {639, 1000, {msg(0x80, 127, 0), msg(0x90, 127, 0)}},   // below: the bottom row
  };
  for (const auto& c : cases) {
    form->PaintBox1MouseMove(c.x, c.y);
    tick();
    EXPECT_EQ(takeNotes(), c.sent) << c.x << "," << c.y;
  }
}

TEST_F(ClockTest, HoveringShowsTheCellInTheCaptionAndSendsNothing) {
  hover(300, 54);  // column 60, row 27
  tick();
  EXPECT_EQ(form->windowTitle(), "C4-100");
  hover(0, 0);
  tick(3);
  EXPECT_EQ(form->windowTitle(), "C-1-127");
  hover(640, 0);  // beyond the guard the caption stays
  tick();
  EXPECT_EQ(form->windowTitle(), "C-1-127");
  EXPECT_TRUE(takeNotes().empty());
  EXPECT_TRUE(takeWaits().empty());
}

TEST_F(ClockTest, WaitFollowsTempoAndLength) {
  const struct {
    const char* tempo;
    const char* length;
    long long ms;
  } cases[] = {{"125", "480", 480},
               {"100", "480", 600},
               {"250", "60", 30},
               {"200", "60", 37},
               {"125", "0", 0}};
  hold(50, 20);
  for (const auto& c : cases) {
    form->Edit5->setText(c.tempo);
    form->Edit3->setText(c.length);
    tick();
    EXPECT_EQ(takeWaits(), Waits{c.ms}) << c.tempo << " " << c.length;
  }
}

TEST_F(ClockTest, TempoThatIsNoPositiveNumberPlaysNothingUntilMended) {
  hold(50, 20);
  for (const char* tempo : {"", "abc", "0", "-5", "1e400"}) {
    form->Edit5->setText(tempo);
    form->PaintBox1MouseMove(300, 54);
    tick();
    EXPECT_TRUE(takeNotes().empty()) << tempo;
    EXPECT_EQ(form->windowTitle(), "C4-100") << tempo;
    form->PaintBox1MouseMove(50, 20);
  }
  EXPECT_TRUE(takeWaits().empty());
  EXPECT_TRUE(dialogs.errors.empty());
  form->Edit5->setText("125");
  tick();
  EXPECT_EQ(takeNotes(), (Notes{msg(0x80, 10, 117), msg(0x90, 10, 117)}));
}

TEST_F(ClockTest, TablesTheClockCannotReadMakeItSilent) {
  hold(50, 20);
  form->VolumeList->set(10, "x");
  tick();
  form->VolumeList->clear();
  tick();
  form->KeyList->clear();
  tick();
  EXPECT_TRUE(takeNotes().empty());
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ClockTest, LengthFieldAndSliderFollowEachOther) {
  const struct {
    const char* typed;
    const char* shown;
    int position;
  } cases[] = {
      {"240", "240", 240}, {"5000", "960", 960}, {"", "0", 0}, {"12x", "0", 0}, {"$3C", "60", 60}};
  for (const auto& c : cases) {
    form->Edit3->setText(c.typed);
    EXPECT_EQ(form->Edit3->text().toStdString(), c.shown) << c.typed;
    EXPECT_EQ(form->TrackBar1->value(), c.position) << c.typed;
  }
  form->TrackBar1->setValue(720);
  EXPECT_EQ(form->Edit3->text(), "720");
  for (QPushButton* b : form->LengthButtons) {
    form->Button5Click(b);
    EXPECT_EQ(form->TrackBar1->value(), b->text().toInt());
  }
}

TEST_F(ClockTest, TypingInsideTheLengthFieldKeepsTheCursor) {
  form->Edit3->setText("80");
  form->Edit3->setCursorPosition(0);
  QTest::keyClicks(form->Edit3, "4");  // "480": the slider follows, the cursor stays
  EXPECT_EQ(form->Edit3->text(), "480");
  EXPECT_EQ(form->Edit3->cursorPosition(), 1);
  EXPECT_EQ(form->TrackBar1->value(), 480);
}

class GateTest : public ClockTest {
 protected:
  void pattern(std::vector<std::string> steps) { form->GatePattern->assign(std::move(steps)); }
};

TEST_F(GateTest, HoldPlaysNotesAndRestsOfThePattern) {
  pattern({"480", "!240", "240"});
  form->CheckBox1->setChecked(true);
  hold(50, 20);
  tick();
  form->PaintBox1MouseMove(100, 20);
  tick();  // a rest: only the note-off, and note 20 becomes the latest note
  form->PaintBox1MouseMove(150, 20);
  tick();
  tick();
  EXPECT_EQ(takeNotes(),
            (Notes{msg(0x80, 10, 117), msg(0x90, 10, 117), msg(0x80, 10, 117), msg(0x80, 20, 117),
                   msg(0x90, 30, 117), msg(0x80, 30, 117), msg(0x90, 30, 117)}));
  EXPECT_EQ(takeWaits(), (Waits{480, 240, 240, 480}));
  EXPECT_EQ(form->GateStep, 1);
}

TEST_F(GateTest, StepsThatCannotBePlayedArePassedOverSilently) {
  pattern({"480", "abc", "!", "12!", "-5", "240"});
  form->CheckBox1->setChecked(true);
  hold(50, 20);
  tick(3);
  EXPECT_EQ(takeWaits(), (Waits{480, 240, 480}));
  EXPECT_EQ(form->GateStep, 1);
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(GateTest, PatternsWithoutPlayableStepsPlayNothing) {
  for (std::vector<std::string> steps : {std::vector<std::string>{}, {"", "!", "x"}}) {
    pattern(steps);
    form->CheckBox1->setChecked(true);
    hold(50, 20);
    tick(2);
    EXPECT_TRUE(takeNotes().empty());
    EXPECT_TRUE(takeWaits().empty());
  }
}

TEST_F(GateTest, StepBeyondAShorterPatternWrapsToTheStart) {
  pattern({"120", "240"});
  form->GateStep = 7;
  form->CheckBox1->setChecked(true);
  hold(50, 20);
  tick();
  EXPECT_EQ(takeWaits(), Waits{120});
  EXPECT_EQ(form->GateStep, 1);
}

TEST_F(GateTest, OneStepPatternRepeats) {
  pattern({"!60"});
  form->CheckBox1->setChecked(true);
  hold(50, 20);
  tick(3);
  EXPECT_EQ(takeWaits(), (Waits{60, 60, 60}));
  EXPECT_EQ(form->GateStep, 0);
}

TEST_F(GateTest, RightButtonSwitchesToThePatternWhileHeld) {
  pattern({"480", "240"});
  form->Edit3->setText("60");
  hold(50, 20);
  tick();
  form->PaintBox1MouseDown(Qt::RightButton, 50, 20);
  tick(2);
  form->PaintBox1MouseUp(Qt::RightButton, 50, 20);
  EXPECT_EQ(form->GateStep, 0);
  tick();
  EXPECT_EQ(takeWaits(), (Waits{60, 480, 240, 60}));
  EXPECT_TRUE(form->PadDown);
}

TEST_F(ClockTest, TimerRestsWhileATickHasNothingNewToDo) {
  QTimer& timer = *form->NoteClock;
  timer.start();
  hover(300, 54);
  tick();  // a new caption
  EXPECT_TRUE(timer.isActive());
  tick();  // the same again: nothing left to do
  EXPECT_FALSE(timer.isActive());
  form->PaintBox1MouseMove(301, 54);
  EXPECT_TRUE(timer.isActive());
  tick();
  EXPECT_FALSE(timer.isActive());
  form->VolumeList->set(27, "64");  // a new table is always followed by a repaint
  form->PaintBox1->update();
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(timer.isActive());
  tick();
  EXPECT_EQ(form->windowTitle(), "C4-64");
  tick();
  EXPECT_FALSE(timer.isActive());
  form->PaintBox1MouseDown(Qt::LeftButton, 301, 54);
  EXPECT_TRUE(timer.isActive());
  tick(2);  // playing never rests
  EXPECT_TRUE(timer.isActive());
  form->PaintBox1MouseLeave();
  tick();
  EXPECT_FALSE(timer.isActive());
  form->PaintBox1MouseEnter();
  EXPECT_TRUE(timer.isActive());
  timer.stop();
}

TEST_F(ClockTest, NoTickPlaysOnceTheWindowIsClosing) {
  hold(50, 20);
  form->close();
  tick();
  EXPECT_TRUE(takeNotes().empty());
}

}  // namespace

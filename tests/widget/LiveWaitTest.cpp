// The real wait: the note's time passes in the event loop, input waits for the note's end.
#include <QLineEdit>
#include <QTimer>
#include <chrono>
#include <functional>

#include "PadFixture.h"
#include "app/LiveWait.h"

namespace {

using namespace std::chrono_literals;
using test::msg;
using Clock = std::chrono::steady_clock;
using Notes = std::vector<std::uint32_t>;

class LiveWaitTest : public test::PadTest {
 protected:
  app::LiveWaiter live;
  void SetUp() override {
    devices = std::make_unique<midi::RecordingDevices>(log, deviceNames);
    form = std::make_unique<TForm1>(
        TForm1Services{*devices, dialogs, live, (dir.path() / "korvane").string(), 1, false});
    showWithPad(640, 256);
    enterAt(50, 20);
    press(Qt::LeftButton, 50, 20);  // note 10, velocity 117
    takeNotes();
  }
  /// One tick with a note of ms at tempo 125; returns how long it took. The notes are long beside
  /// the timers that act during them, so that a loaded machine keeps the order.
  Clock::duration tickOf(int ms) {
    form->Edit3->setText(QString::number(ms));
    const auto start = Clock::now();
    form->NoteClockTick(0);
    return Clock::now() - start;
  }
};

TEST_F(LiveWaitTest, InputDuringTheNoteIsHandledAfterItInItsOrder) {
  QTimer::singleShot(30, [this] {
    moveTo(100, 60);
    release(Qt::LeftButton, 100, 60);
    press(Qt::LeftButton, 100, 60);  // note 20, velocity 97
  });
  EXPECT_GE(tickOf(480), 480ms);
  EXPECT_EQ(takeNotes(), (Notes{msg(0x80, 10, 117), msg(0x90, 10, 117)}));
  EXPECT_EQ(form->PointerX, 50);  // nothing handled yet
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(form->PointerX, 100);
  // The release ends the clock's note at its full length, then the new press plays.
  EXPECT_EQ(takeNotes(), (Notes{msg(0x80, 10, 117), msg(0x90, 20, 97)}));
  EXPECT_TRUE(form->PadDown);
}

TEST_F(LiveWaitTest, WindowRepaintsAndFollowsResizesDuringTheNote) {
  int paints = 0, widthDuringNote = 0;
  struct PaintCounter : QObject {
    int* count;
    explicit PaintCounter(int* c) : count(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*count;
      return false;
    }
  } counter(&paints);
  form->PaintBox1->installEventFilter(&counter);
  QTimer::singleShot(20, [this] { form->resize(form->width() + 100, form->height()); });
  QTimer::singleShot(80, [&] { widthDuringNote = form->PaintBox1->width(); });
  tickOf(480);
  EXPECT_EQ(widthDuringNote, 740);
  EXPECT_GT(paints, 0);
  form->PaintBox1->removeEventFilter(&counter);
}

// A slow tempo must not lock the window: with more than a second of the note left, input is
// handled at once, and what ends the playing ends the note.
TEST_F(LiveWaitTest, ALongNoteHandlesInputAtOnceAndEndsWithThePlaying) {
  const struct {
    const char* name;
    std::function<void()> end;
    Notes after;  // sent after the tick's notes
  } cases[] = {
      {"left release over the pad",
       [this] { release(Qt::LeftButton, 100, 60); },
       {msg(0x80, 10, 117)}},
      {"pointer leaves the panel",
       [this] {
         QEvent leave(QEvent::Leave);
         QApplication::sendEvent(form->Panel1, &leave);
       },
       {msg(0x80, 10, 0)}},  // the reset's note-off
      {"close", [this] { form->close(); }, {}},
  };
  for (const auto& c : cases) {
    if (&c != cases) {
      TearDown();
      SetUp();
    }
    form->Edit5->setText("1");  // 480 ticks: a minute
    int xDuringNote = 0;
    QTimer::singleShot(30, [&] {
      moveTo(100, 60);
      xDuringNote = form->PointerX;
      c.end();
    });
    EXPECT_LT(tickOf(480), 5s) << c.name;
    EXPECT_EQ(xDuringNote, 100) << c.name;
    Notes sent{msg(0x80, 10, 117), msg(0x90, 10, 117)};
    sent.insert(sent.end(), c.after.begin(), c.after.end());
    EXPECT_EQ(takeNotes(), sent) << c.name;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(takeNotes(), Notes{}) << c.name;
    form->show();  // the fixture lets go of the left button through the window
  }
}

TEST_F(LiveWaitTest, CloseRequestDropsTheInputHeldInTheLastSecond) {
  QTimer::singleShot(10, [this] { release(Qt::LeftButton, 50, 20); });
  QTimer::singleShot(30, [this] { form->close(); });
  tickOf(960);  // 960 ms
  QCoreApplication::sendPostedEvents();
  // Shutdown sends nothing: the held release goes with the window.
  EXPECT_EQ(takeNotes(), (Notes{msg(0x80, 10, 117), msg(0x90, 10, 117)}));
}

TEST_F(LiveWaitTest, TimerRestsDuringTheNoteAndItsDueDeliveryFollowsAtOnce) {
  form->NoteClock->start();
  std::size_t sentDuringNote = 99;
  bool timerDuringNote = true;
  QTimer::singleShot(60, [&] {
    sentDuringNote = log->size();
    timerDuringNote = form->NoteClock->isActive();
  });
  const std::size_t afterStrike = log->size() + 2;
  tickOf(480);
  EXPECT_EQ(sentDuringNote, afterStrike);
  EXPECT_FALSE(timerDuringNote);
  EXPECT_TRUE(form->NoteClock->isActive());
  form->Edit3->setText("0");
  takeNotes();
  QCoreApplication::sendPostedEvents();  // no timer needed for the next note
  EXPECT_EQ(takeNotes(), (Notes{msg(0x80, 10, 117), msg(0x90, 10, 117)}));
  form->NoteClock->stop();
}

}  // namespace

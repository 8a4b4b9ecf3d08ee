#include <QComboBox>
#include <QLineEdit>

#include "PadFixture.h"

namespace {

using test::msg;
using test::PadTest;

TEST_F(PadTest, LeftPressPlaysTheCellAndTheReleaseEndsIt) {
  createWithPad(617, 235);
  const struct {
    int x, y, note, velocity;
  } cases[] = {{0, 0, 0, 127}, {4, 1, 0, 127}, {5, 2, 1, 126}, {616, 234, 127, 0}};
  for (const auto& c : cases) {
    form->PaintBox1MouseEnter();
    form->PaintBox1MouseDown(Qt::LeftButton, c.x, c.y);
    EXPECT_TRUE(form->PadDown);
    EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{msg(0x90, c.note, c.velocity)}) << c.x;
    EXPECT_EQ(form->LastNote, c.note);
    EXPECT_EQ(form->LastVelocity, c.velocity);
    form->PaintBox1MouseUp(Qt::LeftButton, c.x, c.y);
    EXPECT_EQ(resets(), 1);
    EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{msg(0x80, c.note, c.velocity)}) << c.x;
    EXPECT_FALSE(form->PadDown);
    EXPECT_EQ(form->MsgNote, 60);
    EXPECT_EQ(form->MsgVelocity, 0);
    EXPECT_EQ(form->Channel, 0);
  }
}

TEST_F(PadTest, ReleaseUsesTheChannelShownThen) {
  createWithPad(617, 235);
  form->PaintBox1MouseEnter();
  form->PaintBox1MouseDown(Qt::LeftButton, 5, 2);
  form->Edit1->setCurrentIndex(1);  // channel 2
  form->PaintBox1MouseUp(Qt::LeftButton, 5, 2);
  // The port's reset then ends the note still sounding on channel 1.
  EXPECT_EQ(takeNotes(),
            (std::vector<std::uint32_t>{msg(0x90, 1, 126), msg(0x81, 1, 126), msg(0x80, 1, 0)}));
  EXPECT_EQ(form->Channel, 0);
}

TEST_F(PadTest, RightAndMiddleButtonsPlayNothing) {
  createWithPad(617, 235);
  form->PaintBox1MouseDown(Qt::RightButton, 5, 2);  // off the pad too
  EXPECT_TRUE(form->ArpDown);
  form->PaintBox1MouseEnter();
  form->PaintBox1MouseDown(Qt::LeftButton, 5, 2);
  form->PaintBox1MouseDown(Qt::MiddleButton, 5, 2);
  form->GateStep = 3;
  EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{msg(0x90, 1, 126)});
  form->PaintBox1MouseUp(Qt::RightButton, 5, 2);  // the left is still held
  EXPECT_FALSE(form->ArpDown);
  EXPECT_EQ(form->GateStep, 0);
  EXPECT_TRUE(form->PadDown);
  form->PaintBox1MouseUp(Qt::MiddleButton, 5, 2);
  EXPECT_EQ(resets(), 2);
  EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{msg(0x80, 1, 0)});  // only the resets
}

TEST_F(PadTest, NothingHappensWhileThePointerIsOffThePad) {
  createWithPad(617, 235);
  form->PaintBox1MouseDown(Qt::LeftButton, 5, 2);
  form->PaintBox1MouseUp(Qt::LeftButton, 5, 2);
  form->PaintBox1MouseUp(Qt::RightButton, 5, 2);
  EXPECT_FALSE(form->PadDown);
  EXPECT_TRUE(takeNotes().empty());
  EXPECT_EQ(resets(), 0);
}

TEST_F(PadTest, APadWithoutColumnsOrRowsPlaysNothing) {
  for (bool noColumns : {true, false}) {
    createWithPad(617, 235);
    (noColumns ? form->Edit2 : form->Edit4)->setText("0");
    form->Button1Click();
    form->Button3Click();
    form->PaintBox1MouseEnter();
    form->PaintBox1MouseDown(Qt::LeftButton, 5, 2);
    EXPECT_FALSE(form->PadDown);
    EXPECT_TRUE(takeNotes().empty());
    EXPECT_TRUE(dialogs.errors.empty());
  }
}

TEST_F(PadTest, AVolumeEntryThatIsNoNumberIsReportedOnceAndPlaysNothing) {
  createWithPad(617, 235);
  form->VolumeList->set(1, "loud");
  form->PaintBox1MouseEnter();
  form->PaintBox1MouseMove(5, 2);
  form->guarded([this] { form->PaintBox1MouseDown(Qt::LeftButton, 5, 2); });
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"'loud' は整数ではありません."});
  EXPECT_FALSE(form->PadDown);
  form->NoteClockTick();  // the clock meets the same row: silently
  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_TRUE(takeNotes().empty());
}

TEST_F(PadTest, CountFieldsKeepAnIntegerText) {
  create();
  const struct {
    const char* typed;
    const char* kept;
    int columns;
  } cases[] = {{" 16", " 16", 16}, {"16 ", "0", 0}, {"16a", "0", 0},
               {"$10", "$10", 16}, {"", "0", 0},    {"-3", "-3", 0}};
  for (const auto& c : cases) {
    form->Edit2->setText(c.typed);
    EXPECT_EQ(form->Edit2->text().toStdString(), c.kept) << '"' << c.typed << '"';
    form->Button1Click();
    EXPECT_EQ(form->KeyList->count(), c.columns) << '"' << c.typed << '"';
  }
  EXPECT_EQ(form->TrackBar1->value(), 0);  // the count fields leave the length alone
}

TEST_F(PadTest, GeneratorsFillFromTheSharedRandomSource) {
  create(1);
  form->Edit2->setText("3");
  form->Button1Click();
  form->Edit4->setText("2");
  form->Button3Click();
  // Draws 130, 10982, 1090 for the keys, then 11656, 7117 for the velocities.
  EXPECT_EQ(form->KeyList->items(), (std::vector<std::string>{"2", "102", "66"}));
  EXPECT_EQ(form->VolumeList->items(), (std::vector<std::string>{"99", "5"}));
}

TEST_F(PadTest, ACountBeyondAnyPadIsRefusedAndTheTableKept) {
  create();
  const struct {
    QLineEdit* field;
    const char* text;
    lib::StringList* table;
  } cases[] = {{form->Edit2, "2147483647", form->KeyList.get()},
               {form->Edit4, "100001", form->VolumeList.get()}};
  for (const auto& c : cases) {
    const auto before = c.table->items();
    c.field->setText(c.text);
    c.field == form->Edit2 ? form->Button1Click() : form->Button3Click();
    EXPECT_EQ(c.table->items(), before);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0],
              std::string("'") + c.text + "' は大きすぎます。 100000 以下にしてください。");
    dialogs.errors.clear();
  }
  form->Edit2->setText("100000");
  form->Button1Click();
  EXPECT_EQ(form->KeyList->count(), 100000);
}

// Through the window, as the platform delivers input: Qt's own grab is narrowed to the left.
TEST_F(PadTest, LeftPressCapturesThePointerUntilItsRelease) {
  createWithPad(617, 235);
  enterAt(100, 100);
  EXPECT_TRUE(form->PointerIn);
  press(Qt::LeftButton, 100, 100);
  moveTo(-8, -8);  // over the panel around the pad
  EXPECT_TRUE(form->PointerIn);
  EXPECT_EQ(form->PointerX, -8);
  EXPECT_TRUE(form->PadDown);
  takeNotes();
  release(Qt::LeftButton, -8, -8);
  EXPECT_FALSE(form->PadDown);
  EXPECT_FALSE(form->PointerIn);
  EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{msg(0x80, 20, 73)});
}

TEST_F(PadTest, RightPressDoesNotCaptureThePointer) {
  createWithPad(617, 235);
  enterAt(100, 100);
  expectRightPressNotCaptured();
  moveTo(50, 50);
  EXPECT_TRUE(form->PointerIn);
  press(Qt::RightButton, 50, 50);
  release(Qt::RightButton, 50, 50);
  EXPECT_FALSE(form->ArpDown);
}

// Qt gives the pointer to the widget where the first button went down: held from the margin
// around the pad, the right or middle button must not keep the pad from hearing of it.
TEST_F(PadTest, AButtonHeldFromBesideThePadLetsItPlay) {
  for (Qt::MouseButton held : {Qt::RightButton, Qt::MiddleButton}) {
    createWithPad(617, 235);
    enterAt(-5, 50);  // the margin
    press(held, -5, 50);
    moveTo(100, 100);
    EXPECT_TRUE(form->PointerIn);
    EXPECT_EQ(form->PointerX, 100);
    press(Qt::LeftButton, 100, 100);
    EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{msg(0x90, 20, 73)}) << held;
    moveTo(-8, -8);  // the left press holds the pointer
    EXPECT_TRUE(form->PointerIn);
    EXPECT_EQ(form->PointerX, -8);
    release(Qt::LeftButton, -8, -8);
    EXPECT_FALSE(form->PadDown);
    EXPECT_FALSE(form->PointerIn);
    EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{msg(0x80, 20, 73)}) << held;
    release(held, -8, -8);  // off the pad: the pad does not hear of it
    EXPECT_EQ(resets(), 0) << held;
    EXPECT_FALSE(form->ArpDown);
    form.reset();
  }
}

// The box of a failed press gets the left release; the next press starts afresh.
TEST_F(PadTest, AnErrorBoxDuringAPressEndsItsCapture) {
  createWithPad(617, 235);
  form->VolumeList->set(54, "loud");  // the row at y = 100
  dialogs.whileShown = test::showModal;
  enterAt(100, 100);
  press(Qt::LeftButton, 100, 100);
  ASSERT_EQ(dialogs.errors.size(), 1u);
  release(Qt::LeftButton, 100, 100);
  form->VolumeList->set(54, "73");
  enterAt(100, 100);
  expectRightPressNotCaptured();
}

}  // namespace

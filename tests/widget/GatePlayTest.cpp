// Patterns from the slots as the note clock plays them with "Hold" ticked.
#include <QCheckBox>

#include "PadFixture.h"

namespace {

using test::msg;
using Notes = std::vector<std::uint32_t>;

class GatePlayTest : public test::PadTest {};

TEST_F(GatePlayTest, HoldPlaysTheSlotPattern) {
  // 640 × 256 pad, default tables: (50, 20) is note 10 at velocity 117.
  const Notes strike{msg(0x80, 10, 117), msg(0x90, 10, 117)}, rest{msg(0x80, 10, 117)};
  struct Tick {
    Notes notes;
    long long waitMs;
  };
  struct Case {
    const char* name;
    std::string startFile;  // slot 0's file at start-up; empty: none
    std::string clickFile;  // a file chosen for slot 5 through its dialog; empty: no click
    std::vector<Tick> ticks;
  } cases[] = {
      {"first start: quarter notes", "", "", {{strike, 480}, {strike, 480}, {strike, 480}}},
      {"slot 0 at start-up",
       "240\r\n!240\r\n480\r\n",
       "",
       {{strike, 240}, {rest, 240}, {strike, 480}, {strike, 240}, {rest, 240}}},
      {"slot chosen by click", "", "!120\n60\n", {{rest, 120}, {strike, 60}, {rest, 120}}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(iniPath());
    if (!c.startFile.empty())
      dir.write("korvane.ini", "[Korvane]\r\nGateArp0=" + dir.write("s.gap", c.startFile) + "\r\n");
    createWithPad(640, 256);
    if (!c.clickFile.empty()) {
      dialogs.answers = {dir.write("c.gap", c.clickFile)};
      form->SpeedButton1Click(5);
    }
    form->CheckBox1->setChecked(true);
    form->PaintBox1MouseEnter();
    form->PaintBox1MouseMove(50, 20);
    form->PaintBox1MouseDown(Qt::LeftButton, 50, 20);
    EXPECT_EQ(takeNotes(), Notes{msg(0x90, 10, 117)}) << c.name;
    for (std::size_t i = 0; i < c.ticks.size(); ++i) {
      waiter.waits.clear();
      form->NoteClockTick(0);
      EXPECT_EQ(takeNotes(), c.ticks[i].notes) << c.name << ", tick " << i + 1;
      EXPECT_EQ(waiter.waits, std::vector<long long>{c.ticks[i].waitMs})
          << c.name << ", tick " << i + 1;
    }
    EXPECT_TRUE(dialogs.errors.empty()) << c.name;
    form->PaintBox1MouseUp(Qt::LeftButton, 50, 20);
    form.reset();
    takeNotes();
  }
}

}  // namespace

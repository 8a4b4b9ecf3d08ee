// The gate slots on the window: start-up, the slot click, the right-held gesture, shutdown.
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTest>
#include <QWindow>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Harness.h"
#include "app/Controls.h"

namespace {

using Lines = std::vector<std::string>;
const Lines kDefault = {"480", "480", "480", "480"};
const QString kNote = QString::fromUtf8("♪");

class GateSlotsTest : public test::FormTest {
 protected:
  std::string fileA, fileB;

  void SetUp() override {
    fileA = dir.write("a.gap", "240\r\n!240\r\n480\r\n");
    fileB = dir.write("b.txt", "120\n");
  }
  void writeIni(const std::string& body) { dir.write("korvane.ini", "[Korvane]\r\n" + body); }
  void start() {
    create();
    form->show();
    form->PageControl1->setCurrentIndex(1);
  }
  app::SpeedButton* slot(int i) { return form->SpeedButtons.at(static_cast<std::size_t>(i)); }
  void click(int i) { QTest::mouseClick(slot(i), Qt::LeftButton); }
  Lines pattern() const { return form->GatePattern->items(); }
  Lines captions() {
    Lines out;
    for (auto* b : form->SpeedButtons) out.push_back(b->text().toStdString());
    return out;
  }
  std::string iniText() const {
    std::ifstream in(iniPath(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
};

Lines slotCaptions(std::initializer_list<int> withFile) {
  Lines out(10, "");
  for (int i : withFile) out[static_cast<std::size_t>(i)] = "♪";
  return out;
}

TEST_F(GateSlotsTest, StartUpReadsTheSlots) {
  struct Case {
    const char* name;
    std::string ini;  // empty: no settings file
    Lines captions;
    Lines pattern;
  } cases[] = {
      {"no settings file", "", slotCaptions({}), kDefault},
      {"slot 0 loaded", "GateArp0=" + fileA + "\r\n", slotCaptions({0}), {"240", "!240", "480"}},
      {"only slot 0 is read", "GateArp3=" + fileB + "\r\n", slotCaptions({3}), kDefault},
      {"slot 0 unreadable", "GateArp0=" + (dir.path() / "gone.gap").string() + "\r\n",
       slotCaptions({0}), kDefault},
      {"slot 0 a folder", "GateArp0=" + dir.path().string() + "\r\n", slotCaptions({0}), kDefault},
      {"one blank is empty", "GateArp0= \r\nGateArp2= \r\n", slotCaptions({}), kDefault},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(iniPath());
    if (!c.ini.empty()) writeIni(c.ini);
    start();
    EXPECT_EQ(captions(), c.captions) << c.name;
    EXPECT_EQ(pattern(), c.pattern) << c.name;
    EXPECT_EQ(form->GateFiles->count(), 10) << c.name;
    EXPECT_TRUE(slot(0)->isChecked()) << c.name;
    EXPECT_TRUE(dialogs.asked.empty()) << c.name;
    EXPECT_TRUE(dialogs.errors.empty()) << c.name;
    EXPECT_TRUE(dialogs.messages.empty()) << c.name;
    form.reset();
  }
}

TEST_F(GateSlotsTest, SlotClick) {
  const std::string gone = (dir.path() / "gone.gap").string();
  const std::string odd = dir.write("odd.gap", "240\r\n\r\nabc\n!240");
  const std::string folder = dir.path().string();
  struct Case {
    const char* name;
    std::string stored;  // slot 4's path at start-up
    bool rightHeld;
    std::optional<std::string> answer;  // what the dialog returns, if it is shown
    int asked;
    Lines pattern;
    std::string pathAfter;
    bool note;
    std::string error;  // the one error box expected, or none
  } cases[] = {
      {"empty slot, cancel", "", false, std::nullopt, 1, kDefault, "", false, ""},
      {"empty slot, file", "", false, fileA, 1, {"240", "!240", "480"}, fileA, true, ""},
      {"invalid lines load as they are",
       "",
       false,
       odd,
       1,
       {"240", "", "abc", "!240"},
       odd,
       true,
       ""},
      {"slot with file", fileB, false, std::nullopt, 0, {"120"}, fileB, true, ""},
      {"deleted file, cancel", gone, false, std::nullopt, 1, kDefault, gone, true, ""},
      {"deleted file, new file", gone, false, fileA, 1, {"240", "!240", "480"}, fileA, true, ""},
      {"right held, cancel", fileB, true, std::nullopt, 1, kDefault, fileB, true, ""},
      {"right held, new file", fileB, true, fileA, 1, {"240", "!240", "480"}, fileA, true, ""},
      {"confirmed file missing",
       "",
       false,
       gone,
       1,
       {},
       "",
       false,
       "ファイル " + gone + " は開けません。 " + std::strerror(ENOENT) + " "},
      {"confirmed folder",
       fileB,
       true,
       folder,
       1,
       {},
       fileB,
       true,
       "ファイル " + folder + " は開けません。 " + std::strerror(EISDIR) + " "},
  };
  for (const auto& c : cases) {
    writeIni("GateArp4=" + c.stored + "\r\n");
    dialogs = {};
    dialogs.answers.push_back(c.answer);
    start();
    if (c.rightHeld) QTest::mousePress(slot(4), Qt::RightButton);
    click(4);
    if (c.rightHeld) QTest::mouseRelease(slot(4), Qt::RightButton);
    EXPECT_EQ(static_cast<int>(dialogs.asked.size()), c.asked) << c.name;
    for (auto which : dialogs.asked) EXPECT_EQ(which, app::FileDialog::GatePattern) << c.name;
    EXPECT_EQ(pattern(), c.pattern) << c.name;
    EXPECT_EQ(form->GateFiles->get(4), c.pathAfter) << c.name;
    EXPECT_EQ(slot(4)->text(), c.note ? kNote : QString()) << c.name;
    EXPECT_TRUE(slot(4)->isChecked()) << c.name;
    EXPECT_FALSE(slot(0)->isChecked()) << c.name;
    EXPECT_EQ(dialogs.errors, c.error.empty() ? Lines{} : Lines{c.error}) << c.name;
    EXPECT_TRUE(dialogs.messages.empty()) << c.name;
    form.reset();
  }
}

TEST_F(GateSlotsTest, RightHeldGesture) {
  const QPoint on(10, 10), off(10, 60);
  auto heldMove = [this](QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, slot(0)->mapToGlobal(at), Qt::NoButton, Qt::RightButton,
                     Qt::NoModifier);
    QApplication::sendEvent(slot(0), &move);
  };
  struct Case {
    const char* name;
    std::function<void()> before;
    bool asks;
  } cases[] = {
      {"plain click", [] {}, false},
      {"right held", [&] { QTest::mousePress(slot(0), Qt::RightButton, {}, on); }, true},
      {"right released on it",
       [&] {
         QTest::mousePress(slot(0), Qt::RightButton, {}, on);
         QTest::mouseRelease(slot(0), Qt::RightButton, {}, on);
       },
       false},
      {"right held, moved off and back",
       [&] {
         QTest::mousePress(slot(0), Qt::RightButton, {}, on);
         heldMove(off);
         heldMove(on);
       },
       false},
      {"right held, moved within",
       [&] {
         QTest::mousePress(slot(0), Qt::RightButton, {}, on);
         heldMove(QPoint(20, 20));
       },
       true},
      {"right press, leave",
       [&] {
         QTest::mousePress(slot(0), Qt::RightButton, {}, on);
         QEvent leave(QEvent::Leave);
         QApplication::sendEvent(slot(0), &leave);
       },
       false},
  };
  for (const auto& c : cases) {
    writeIni("GateArp0=" + fileA + "\r\n");
    dialogs = {};
    start();
    c.before();
    click(0);
    EXPECT_EQ(dialogs.asked.size(), c.asks ? 1u : 0u) << c.name;
    EXPECT_EQ(pattern(), c.asks ? kDefault : Lines({"240", "!240", "480"})) << c.name;
    EXPECT_EQ(form->GateFiles->get(0), fileA) << c.name;
    QTest::mouseRelease(slot(0), Qt::RightButton);
    form.reset();
  }
}

// Qt tells the slot button the pointer left when the dialog opens; it did not.
TEST_F(GateSlotsTest, TheDialogOpeningKeepsTheRightButtonHeld) {
  writeIni("GateArp0=" + fileA + "\r\n");
  start();
  dialogs.whileShown = test::showModal;
  QWindow* window = form->windowHandle();
  const QPoint on = slot(0)->mapTo(form.get(), QPoint(10, 10));
  QCursor::setPos(form->mapToGlobal(on));  // the window knows the pointer is on it
  QCoreApplication::processEvents();
  QTest::mousePress(window, Qt::RightButton, {}, on);
  QTest::mouseClick(window, Qt::LeftButton, {}, on);
  EXPECT_TRUE(form->SlotRightDown);
  click(0);  // asks again
  EXPECT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(form->GateFiles->get(0), fileA);
  QTest::mouseRelease(slot(0), Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_FALSE(form->SlotRightDown);
  QCursor::setPos(-1000, -1000);  // windows shown later must not find the pointer on them
}

TEST_F(GateSlotsTest, SlotsFormOneGroup) {
  writeIni("GateArp2=" + fileB + "\r\n");
  start();
  auto down = [this] {
    std::vector<int> out;
    for (int i = 0; i < 10; ++i)
      if (slot(i)->isChecked()) out.push_back(i);
    return out;
  };
  click(2);
  EXPECT_EQ(down(), std::vector<int>{2});
  EXPECT_EQ(pattern(), Lines{"120"});
  // The down slot clicked again reloads its file.
  dir.write("b.txt", "60\n960\n");
  click(2);
  EXPECT_EQ(down(), std::vector<int>{2});
  EXPECT_EQ(pattern(), Lines({"60", "960"}));
  // A right press leaves the down button as it is.
  QTest::mousePress(slot(7), Qt::RightButton);
  QTest::mouseRelease(slot(7), Qt::RightButton);
  EXPECT_EQ(down(), std::vector<int>{2});
  EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(GateSlotsTest, ShutdownWritesAllTenAndTheNextStartRestoresThem) {
  start();
  dialogs.answers = {fileA, fileB};
  click(0);
  click(3);
  form.reset();
  std::string expected = "[Korvane]\n";
  for (int i = 0; i < 10; ++i) {
    const std::string path = i == 0 ? fileA : i == 3 ? fileB : "";
    expected += "GateArp" + std::to_string(i) + "=" + path + "\n";
  }
  const std::string text = iniText();
  ASSERT_EQ(text.substr(0, expected.size()), expected);
  std::istringstream rest(text.substr(expected.size()));
  std::string line;
  Lines keys;
  while (std::getline(rest, line)) keys.push_back(line.substr(0, line.find('=')));
  EXPECT_EQ(keys, Lines({"Left", "Top", "Width", "Height"}));

  start();
  EXPECT_EQ(captions(), slotCaptions({0, 3}));
  EXPECT_EQ(pattern(), Lines({"240", "!240", "480"}));
  EXPECT_TRUE(slot(0)->isChecked());
}

TEST_F(GateSlotsTest, PathWithLineBreakIsNotWrittenIntoTheSettings) {
  writeIni("GateArp1=" + fileB + "\r\n");
  const std::string odd = dir.write("x\nTop=999.gap", "240\n");
  dialogs.answers = {odd};
  start();
  QTest::mousePress(slot(1), Qt::RightButton);
  click(1);
  QTest::mouseRelease(slot(1), Qt::RightButton);
  EXPECT_EQ(form->GateFiles->get(1), odd);
  EXPECT_EQ(pattern(), Lines{"240"});
  form.reset();
  const std::string text = iniText();
  EXPECT_NE(text.find("GateArp1=" + fileB + "\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Top=999"), std::string::npos);
  EXPECT_NE(text.find("GateArp2="), std::string::npos);
}

TEST_F(GateSlotsTest, FileListShowsTheTenPaths) {
  writeIni("GateArp0=" + fileA + "\r\nGateArp9=" + fileB + "\r\n");
  start();
  form->GateArp1->trigger();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], fileA + "\n\n\n\n\n\n\n\n\n" + fileB + "\n");
}

TEST_F(GateSlotsTest, FileListMenuBesideTheSlotButtonsOnly) {
  start();
  struct Case {
    const char* name;
    QWidget* target;
    QPoint at;
    bool shows;
  } cases[] = {
      {"right of the slots", form->TabSheet2, {500, 10}, true},
      {"between two slots", form->TabSheet2, {86, 10}, true},
      {"on a slot", slot(3), {10, 10}, false},
      {"on the Hold box", form->CheckBox1, {5, 5}, false},
  };
  for (const auto& c : cases) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, c.at, c.target->mapToGlobal(c.at));
    QApplication::sendEvent(c.target, &e);
    EXPECT_EQ(form->PopupMenu2->isVisible(), c.shows) << c.name;
    form->PopupMenu2->hide();
  }
}

}  // namespace

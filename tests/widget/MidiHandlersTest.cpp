// The MIDI handlers of the window against recording devices.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "Harness.h"
#include "app/CommandLine.h"
#include "app/Controls.h"

namespace {

using midi::Event;
using test::FormTest;

struct Step {
  Event::Kind kind;
  int device;
};

std::vector<Step> steps(const midi::EventLog& log) {
  std::vector<Step> out;
  for (const auto& e : log) out.push_back({e.kind, e.device});
  return out;
}

bool operator==(const Step& a, const Step& b) {
  return a.kind == b.kind && a.device == b.device;
}

void pick(QComboBox* list, int index) {
  // What a user's pick does: the list changes and reports it.
  list->setCurrentIndex(index);
  emit list->activated(index);
}

TEST_F(FormTest, StartUpListsTheDevicesAndOpensTheFirstSendingNothing) {
  create();
  ASSERT_EQ(form->ComboBox1->count(), 2);
  EXPECT_EQ(form->ComboBox1->itemText(1), "Out B");
  EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
  EXPECT_EQ(steps(*log), (std::vector<Step>{{Event::Open, 0}}));
}

/// The opens, resets and closes of the log, without its messages.
std::vector<Step> withoutMessages(const midi::EventLog& log) {
  std::vector<Step> out;
  for (const auto& e : log)
    if (e.kind != Event::Message) out.push_back({e.kind, e.device});
  return out;
}

TEST_F(FormTest, DeviceChangeSilencesTheOldPortThenOpensAndResendsNothing) {
  create();
  pick(form->ComboBox2, 4);
  form->MidiOut->send({0x90, 60, 100});  // still sounding on the old port
  log->clear();
  pick(form->ComboBox1, 1);
  EXPECT_EQ(withoutMessages(*log),
            (std::vector<Step>{{Event::Reset, 0}, {Event::Close, 0}, {Event::Open, 1}}));
  EXPECT_EQ(midi::notes(*log), std::vector<std::uint32_t>{0x00003C80});
  EXPECT_EQ(log->size(), 1u + 32u + 3u);  // the note-off, CC 123 and CC 64 on every channel
}

TEST_F(FormTest, ShutdownResetsThePortOnceAndSendsNothingElse) {
  create();
  form->MidiOut->send({0x92, 64, 90});
  log->clear();
  form->show();
  form->close();
  form->Panel1->onLeave();  // the pointer is lost as the window goes
  form.reset();
  EXPECT_EQ(withoutMessages(*log), (std::vector<Step>{{Event::Reset, 0}}));
  EXPECT_EQ(midi::notes(*log), std::vector<std::uint32_t>{0x00004082});
  EXPECT_EQ(log->size(), 1u + 32u + 1u);
  EXPECT_TRUE(std::filesystem::exists(iniPath())) << "the settings are still written";
}

TEST_F(FormTest, ProgramChangeOnTheChannelOfEdit1) {
  create();
  form->Edit1->setCurrentIndex(15);
  pick(form->ComboBox2, 127);
  EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{0x00007FCF});
  EXPECT_EQ(form->MsgStatus, 0xCF);
  EXPECT_EQ(form->MsgNote, 127);
  EXPECT_EQ(form->MsgVelocity, 0);
  EXPECT_EQ(form->Channel, 15);
}

TEST_F(FormTest, KeyUpSendsANoteOffOnTheFirstChannel) {
  create();
  form->Edit1->setCurrentIndex(6);
  form->FormKeyUp(97);  // numeric keypad 1
  EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{0x007F3C80});
  EXPECT_EQ(form->MsgNote, 60);
  EXPECT_EQ(form->MsgVelocity, 127);
  EXPECT_EQ(form->Channel, 0);
  // Any other key re-uses the last data byte built: program "5" makes it note 4.
  pick(form->ComboBox2, 4);
  takeNotes();
  form->FormKeyUp(65);
  EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{0x007F0480});
}

TEST_F(FormTest, KeyReleaseCountsOnlyWhileTheWindowItselfHasTheFocus) {
  create();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->setFocus();
  QTest::keyRelease(form.get(), Qt::Key_1, Qt::KeypadModifier);
  EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{0x007F3C80});
  QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_F4, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(form.get(), &repeat);
  EXPECT_TRUE(takeNotes().empty()) << "an auto-repeat release is not a release";
  form->Edit5->setFocus();
  QTest::keyRelease(form->Edit5, Qt::Key_F4);  // unhandled by the edit box, passed to the window
  EXPECT_TRUE(takeNotes().empty());
}

TEST_F(FormTest, EscapeSilencesThePortWhereverTheFocusIs) {
  create();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  for (QWidget* focus : std::initializer_list<QWidget*>{form.get(), form->ComboBox1, form->Edit1,
                                                        form->Edit5, form->TrackBar1}) {
    SCOPED_TRACE(focus->objectName().toStdString());
    focus->setFocus();
    form->PadDown = true;
    form->MidiOut->send({0x92, 64, 90});
    log->clear();
    QTest::keyPress(focus, Qt::Key_Escape);
    EXPECT_EQ(withoutMessages(*log), (std::vector<Step>{{Event::Reset, 0}, {Event::Silence, 0}}));
    EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{0x00004082});
    EXPECT_TRUE(form->PadDown) << "a pad still held plays on";
    QTest::keyRelease(focus, Qt::Key_Escape);
    // The release is a key-up like any other, only while the window itself has the focus.
    EXPECT_EQ(takeNotes().size(), focus == form.get() ? 1u : 0u);
    EXPECT_EQ(resets(), 0);
  }
}

TEST_F(FormTest, OpeningTheDeviceListListsTheDevicesOfNowKeepingTheOpenOne) {
  deviceNames = {std::string("Synth"), std::string("Out A"), std::string("Out B")};
  create();
  pick(form->ComboBox1, 2);
  log->clear();
  devices->present({std::string("Synth"), std::string("New"), std::nullopt, std::string("Out B"),
                    std::string("Out A")});
  form->ComboBox1->showPopup();
  form->ComboBox1->hidePopup();
  QStringList shown;
  for (int i = 0; i < form->ComboBox1->count(); ++i) shown << form->ComboBox1->itemText(i);
  EXPECT_EQ(shown, (QStringList{"Synth", "New", "Out B", "Out A"}));
  EXPECT_EQ(form->ComboBox1->currentText(), "Out B");
  EXPECT_TRUE(log->empty()) << "nothing sent, nothing re-opened";
  pick(form->ComboBox1, 3);  // positions follow the new list past the nameless device
  EXPECT_EQ(withoutMessages(*log),
            (std::vector<Step>{{Event::Reset, 2}, {Event::Close, 2}, {Event::Open, 4}}));
  // The open device gone: the port stays open, nothing is shown selected.
  log->clear();
  devices->present({std::string("Synth")});
  form->ComboBox1->showPopup();
  form->ComboBox1->hidePopup();
  EXPECT_EQ(form->ComboBox1->count(), 1);
  EXPECT_EQ(form->ComboBox1->currentIndex(), -1);
  EXPECT_TRUE(log->empty());
}

TEST_F(FormTest, OnceShownTheSlowDevicesJoinTheListAndStartUpOpensWhatItCouldNotFindBefore) {
  using Names = std::vector<std::optional<std::string>>;
  const Names complete{std::string("Synth"), std::string("Korvane"), std::string("Out A")};
  struct Case {
    Names first;
    std::optional<std::string> device;  // --device
    std::vector<Step> opened;           // at start-up and once shown
    QString selected;
  } cases[] = {
      {{std::string("Synth")}, std::nullopt, {{Event::Open, 0}}, "Synth"},
      {{std::string("Synth")}, "Synth", {{Event::Open, 0}}, "Synth"},
      // Not listed before the window was shown: opened once it is.
      {{std::string("Synth")}, "Out", {{Event::Open, -1}, {Event::Open, 2}}, "Out A"},
      {{std::string("Synth")}, "none", {{Event::Open, -1}, {Event::Open, 0}}, "Synth"},
      {{}, std::nullopt, {{Event::Open, -1}, {Event::Open, 0}}, "Synth"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device.value_or("(first)"));
    deviceNames = c.first;
    startDevice = c.device;
    create();
    devices->present(complete);
    form->show();
    QTRY_COMPARE(form->ComboBox1->count(), static_cast<int>(complete.size()));
    QTest::qWait(20);
    EXPECT_EQ(withoutMessages(*log), c.opened);
    EXPECT_EQ(form->ComboBox1->currentText(), c.selected);
    form.reset();
    log->clear();
  }
}

TEST_F(FormTest, AStoppedServerTakesItsDevicesAndTheOpenOneComesBackByItself) {
  const std::string told = "JACK サーバーが停止しました。";
  struct Case {
    const char* name;
    int open;          // the device picked before the server stops
    bool pickAnother;  // the player picks the synthesizer while the device is away
    std::vector<std::string> boxes;
    std::vector<Step> after;  // once the server is back
  } cases[] = {
      {"open device on it", 1, false, {told}, {{Event::Close, 1}, {Event::Open, 1}}},
      {"open device elsewhere", 0, false, {}, {}},
      {"another pick meanwhile", 1, true, {told}, {{Event::Close, 1}, {Event::Open, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    deviceNames = {std::string("Synth"), std::string("jack:in")};
    create();
    pick(form->ComboBox1, c.open);
    log->clear();
    devices->present({std::string("Synth")});
    devices->loseServer();
    devices->loseServer();  // told twice: one box
    QTest::qWait(20);
    EXPECT_EQ(form->ComboBox1->count(), 1);
    EXPECT_EQ(form->ComboBox1->currentIndex(), c.open == 0 ? 0 : -1);
    EXPECT_EQ(dialogs.messages, c.boxes);
    form->MidiOut->send({0x90, 60, 100});
    EXPECT_EQ(midi::notes(*log).size(), c.open == 0 ? 1u : 0u) << "a lost port plays nothing";
    if (c.pickAnother) pick(form->ComboBox1, 0);
    devices->present({std::string("Synth"), std::string("jack:in")});
    // Awaited, the device is found by itself; else the player finds it by opening the list.
    if (c.boxes.empty() || c.pickAnother) form->ComboBox1DropDown();
    QTRY_COMPARE_WITH_TIMEOUT(form->ComboBox1->count(), 2, 5000);
    QTest::qWait(1200);  // a second look finds nothing new to open
    EXPECT_EQ(withoutMessages(*log), c.after);
    EXPECT_EQ(form->ComboBox1->currentIndex(), c.pickAnother ? 0 : c.open);
    form.reset();
    log->clear();
    dialogs.messages.clear();
  }
}

TEST_F(FormTest, ClickingThePadLeavesTheFocusWhereItWas) {
  create();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->Edit5->setFocus();
  QTest::mouseClick(form->PaintBox1, Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mouseClick(form->SpeedButtons[2], Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(QApplication::focusWidget(), form->Edit5);
}

TEST_F(FormTest, LeavingThePanelClearsPadDownAndResets) {
  create();
  form->MidiOut->send({0x91, 64, 90});
  form->PadDown = true;
  log->clear();
  form->Panel1->onLeave();
  EXPECT_FALSE(form->PadDown);
  EXPECT_EQ(resets(), 1);
  EXPECT_EQ(takeNotes(), std::vector<std::uint32_t>{0x00004081});
}

TEST_F(FormTest, ADeviceWithoutANameIsLeftOutWithoutShiftingTheOthers) {
  deviceNames = {std::string("A"), std::nullopt, std::string("C")};
  create();
  ASSERT_EQ(form->ComboBox1->count(), 2);
  EXPECT_EQ(form->ComboBox1->itemText(1), "C");
  log->clear();
  pick(form->ComboBox1, 1);
  EXPECT_EQ(withoutMessages(*log),
            (std::vector<Step>{{Event::Reset, 0}, {Event::Close, 0}, {Event::Open, 2}}));
}

TEST_F(FormTest, StartDeviceFoundByNameIsOpenedAndShownSelected) {
  // (--device TEXT) the first name containing TEXT; positions skip a nameless device.
  deviceNames = {std::string("Synth"), std::nullopt, std::string("Out 1"), std::string("Out 12")};
  midi::RecordingDevices names(log, deviceNames);
  EXPECT_EQ(app::findDevice(names, "Out 1"), 2);
  EXPECT_EQ(app::findDevice(names, "out"), std::nullopt);
  startDevice = "12";
  create();
  EXPECT_EQ(form->ComboBox1->currentIndex(), 2);
  EXPECT_EQ(steps(*log), (std::vector<Step>{{Event::Open, 3}}));
}

TEST_F(FormTest, AnEmptyListOpensNothingAndSendsAreSilent) {
  deviceNames = {};
  create();
  EXPECT_EQ(form->ComboBox1->count(), 0);
  EXPECT_EQ(form->ComboBox1->currentIndex(), -1);
  pick(form->ComboBox2, 9);
  form->FormKeyUp(97);
  form->Panel1MouseLeave();
  EXPECT_EQ(steps(*log), (std::vector<Step>{{Event::Open, -1}}));
  EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <fstream>
#include <sstream>

#include "Harness.h"
#include "app/Controls.h"
#include "app/ErrorReport.h"
#include "lib/Error.h"

namespace {

using test::FormTest;

QRect rectOf(QWidget* w) {
  return w->geometry();
}

TEST_F(FormTest, StartsWithDesignedValues) {
  create();
  EXPECT_EQ(form->windowTitle(), "Korvane");
  EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_NE(form->windowFlags() & Qt::WindowType_Mask, Qt::Tool);  // keeps a task-bar entry
  EXPECT_EQ(form->PageControl1->currentIndex(), 0);
  EXPECT_EQ(form->Edit5->text(), "125");
  EXPECT_EQ(form->Edit3->text(), "0");
  EXPECT_EQ(form->Edit2->text(), "128");
  EXPECT_EQ(form->Edit4->text(), "8");
  EXPECT_EQ(form->TrackBar1->value(), 0);
  EXPECT_FALSE(form->CheckBox1->isChecked());
  EXPECT_EQ(form->Edit1->count(), 16);
  EXPECT_EQ(form->Edit1->currentText(), "1");
  EXPECT_EQ(form->ComboBox2->count(), 128);
  EXPECT_EQ(form->ComboBox2->itemText(127), "128");
  EXPECT_EQ(form->ComboBox2->currentText(), "1");
  EXPECT_EQ(form->SpeedButtons.size(), 10u);
  EXPECT_TRUE(form->SpeedButtons[0]->isChecked());
}

TEST_F(FormTest, ControlsHaveTheirNamesTextsAndPlaces) {
  create();
  struct Case {
    const char* name;
    const char* text;  // nullptr: not checked
    QRect rect;        // null: not checked
  } cases[] = {
      {"ComboBox1", nullptr, {12, 3, 145, 21}},
      {"Label2", "ch", {}},
      {"Edit1", nullptr, {177, 3, 47, 21}},
      {"ComboBox2", nullptr, {230, 3, 103, 21}},
      {"Label3", "テンポ", {}},
      {"Edit5", "125", {33, 2, 32, 21}},
      {"Label1", "Length", {}},
      {"Edit3", "0", {49, 3, 29, 21}},
      {"TrackBar1", nullptr, {84, 2, 150, 27}},
      {"Button5", "60", {240, 2, 27, 25}},
      {"Button12", "960", {422, 2, 27, 25}},
      {"CheckBox1", "Hold", {3, 8, 41, 17}},
      {"SpeedButton1", "", {50, -1, 35, 34}},
      {"SpeedButton2", "", {89, -1, 34, 34}},
      {"SpeedButton10", "", {405, -1, 35, 34}},
      {"Label4", "X軸-音階", {}},
      {"Button1", "鍵盤生成", {113, 0, 75, 25}},
      {"Edit2", "128", {77, 2, 34, 21}},
      {"Button2", "...", {208, 0, 35, 25}},
      {"Label5", "Y軸-音量", {}},
      {"Button3", "Vol分解", {101, 2, 75, 25}},
      {"Edit4", "8", {65, 3, 34, 21}},
      {"Button4", "...", {182, 2, 31, 25}},
  };
  for (const auto& c : cases) {
    auto* w = form->findChild<QWidget*>(c.name);
    ASSERT_NE(w, nullptr) << c.name;
    if (!c.rect.isNull()) {
      EXPECT_EQ(rectOf(w), c.rect) << c.name;
    }
    if (!c.text) continue;
    QString text;
    if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) text = e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
    EXPECT_EQ(text.toStdString(), c.text) << c.name;
  }
  EXPECT_EQ(form->PageControl1->tabText(0), "Length");
  EXPECT_EQ(form->PageControl1->tabText(1), "GateArp");
  EXPECT_EQ(form->PageControl1->tabText(2), "PadSetting");
  EXPECT_EQ(form->PageControl1->tabPosition(), QTabWidget::South);
  EXPECT_EQ(form->Version1->text().toStdString(), "バージョン情報");
  EXPECT_EQ(form->GateArp1->text().toStdString(), "GateArpファイルリスト");
  EXPECT_EQ(form->TrackBar1->maximum(), 960);
  EXPECT_EQ(form->TrackBar1->pageStep(), 60);
  EXPECT_EQ(form->TrackBar1->tickInterval(), 120);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(form->SpeedButtons[i]->Tag, i);
  EXPECT_EQ(form->PaintBox1->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(form->SpeedButtons[3]->focusPolicy(), Qt::NoFocus);
}

TEST_F(FormTest, BandsAndPadFollowTheSize) {
  create();
  EXPECT_EQ(rectOf(form->Panel1), QRect(0, 29, 600, 112));  // placed before the first show
  form->show();
  struct Case {
    int w, h;
  } sizes[] = {{643, 337}, {600, 200}, {900, 500}, {300, 130}};
  for (const auto& s : sizes) {
    form->resize(s.w, s.h);
    EXPECT_EQ(rectOf(form->Panel2), QRect(0, 0, s.w, 29));
    EXPECT_EQ(rectOf(form->PageControl1), QRect(0, s.h - 59, s.w, 59));
    EXPECT_EQ(rectOf(form->Panel1), QRect(0, 29, s.w, s.h - 88));
    EXPECT_EQ(rectOf(form->Panel3), QRect(10, 10, s.w - 20, s.h - 88 - 20));
    EXPECT_EQ(rectOf(form->PaintBox1), QRect(1, 1, s.w - 22, s.h - 88 - 22));
    EXPECT_EQ(rectOf(form->Panel7), QRect(s.w - 71, 1, 70, 27));
  }
  // A pad area of 20 pixels or less gives an empty pad, never a negative one.
  form->resize(400, 100);
  EXPECT_EQ(form->Panel3->size(), QSize(380, 0));
}

TEST_F(FormTest, PagesHaveTheirDesignedClientArea) {
  create();
  form->show();
  form->resize(643, 337);
  for (QWidget* page : {form->TabSheet1, form->TabSheet2, form->TabSheet3}) {
    form->PageControl1->setCurrentWidget(page);
    EXPECT_EQ(page->size(), QSize(635, 33)) << page->objectName().toStdString();
    // Inside a 4-pixel frame, so the controls sit where they were placed.
    EXPECT_EQ(page->mapTo(form->PageControl1, QPoint(0, 0)), QPoint(4, 4));
  }
}

/// The next control that Tab moves to from w.
QWidget* nextTabStop(QWidget* w) {
  for (QWidget* n = w->nextInFocusChain(); n != w; n = n->nextInFocusChain())
    // The tab bar (and its scroll buttons) stand for the pages themselves.
    if ((n->focusPolicy() & Qt::TabFocus) && !qobject_cast<QTabBar*>(n) &&
        !qobject_cast<QTabBar*>(n->parentWidget()))
      return n;
  return w;
}

TEST_F(FormTest, FocusMovesThroughTheTopBarThenThePages) {
  create();
  std::vector<QWidget*> expected = {form->ComboBox1,    form->Edit1, form->ComboBox2, form->Edit5,
                                    form->PageControl1, form->Edit3, form->TrackBar1};
  for (auto* b : form->LengthButtons) expected.push_back(b);
  for (std::size_t i = 1; i < expected.size(); ++i)
    EXPECT_EQ(nextTabStop(expected[i - 1]), expected[i]) << i;
  EXPECT_EQ(nextTabStop(form->Button1), form->Edit2);
  EXPECT_EQ(nextTabStop(form->Edit2), form->Button2);
  EXPECT_EQ(nextTabStop(form->Button3), form->Edit4);
  EXPECT_EQ(nextTabStop(form->Edit4), form->Button4);
}

TEST_F(FormTest, VersionBoxHasTwoLines) {
  create();
  form->Version1->trigger();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const std::string& text = dialogs.messages[0];
  EXPECT_EQ(text.substr(0, text.find('\n')), "Korvane v0.06");
  EXPECT_EQ(text[text.find('\n') + 1], ' ');
}

TEST_F(FormTest, ErrorsInHandlersAreReportedAndTheProgramGoesOn) {
  create();
  form->guarded([] { throw lib::ConvertError("'x' は整数ではありません"); });
  form->guarded([] { throw lib::Error("ファイル /a は開けません。 No such file "); });
  form->guarded([] { throw lib::Error(""); });
  form->guarded([] { throw 42; });
  ASSERT_EQ(dialogs.errors.size(), 4u);
  EXPECT_EQ(dialogs.errors[0], "'x' は整数ではありません.");
  EXPECT_EQ(dialogs.errors[1], "ファイル /a は開けません。 No such file ");
  EXPECT_EQ(dialogs.errors[2], "");
  EXPECT_EQ(app::errorBoxText("done."), "done.");
  EXPECT_EQ(app::errorBoxText("a-"), "a-");  // '-' is below '.'
  EXPECT_EQ(app::errorBoxText("a/"), "a/.");
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST_F(FormTest, FirstRunWritesDefaultsInOrder) {
  create();
  EXPECT_EQ(form->outerGeometry(), QRect(0, 0, 600, 200));
  form.reset();
  std::string expected = "[Korvane]\n";
  for (int i = 0; i < 10; ++i) expected += "GateArp" + std::to_string(i) + "=\n";
  expected += "Left=0\nTop=0\nWidth=600\nHeight=200\n";
  EXPECT_EQ(readFile(iniPath()), expected);
}

TEST_F(FormTest, StoredPlacementIsRestored) {
  dir.write("korvane.ini", "[Korvane]\nTop=-30\nLeft=-40\nWidth=0x280\nHeight=abc\n");
  create();
  EXPECT_EQ(form->outerGeometry(), QRect(-40, -30, 640, 200));
  EXPECT_EQ(form->size(), QSize(640, 200));
}

TEST_F(FormTest, AStoredSizeBelowOneTakesTheDefault) {
  struct Case {
    const char* width;
    const char* height;
    QSize outer;
  } cases[] = {{"0", "0", {600, 200}},
               {"0", "200", {600, 200}},
               {"-50", "-50", {600, 200}},
               {"700", "-1", {700, 200}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.width) + "x" + c.height);
    dir.write("korvane.ini",
              std::string("[Korvane]\nWidth=") + c.width + "\nHeight=" + c.height + "\n");
    create();
    EXPECT_EQ(form->outerGeometry().size(), c.outer);
    form->show();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->testAttribute(Qt::WA_OutsideWSRange)) << "a window Qt never maps";
    form.reset();
    EXPECT_NE(readFile(iniPath()).find("Width=" + std::to_string(c.outer.width()) + "\n"),
              std::string::npos);
  }
}

TEST_F(FormTest, StartUpSendsNothingAndOpensTheFirstDevice) {
  deviceNames = {std::nullopt, std::string("Second"), std::string("Third")};
  create();
  ASSERT_EQ(log->size(), 1u);
  EXPECT_EQ((*log)[0].kind, midi::Event::Open);
  EXPECT_EQ((*log)[0].device, 1);  // the first device whose name could be read
  EXPECT_EQ(form->ComboBox1->count(), 2);
  EXPECT_EQ(form->ComboBox1->currentText(), "Second");
}

}  // namespace

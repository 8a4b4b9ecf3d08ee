// The window under a session manager, and its texts in English.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>
#include <fstream>
#include <sstream>

#include "Harness.h"
#include "app/Controls.h"
#include "app/Session.h"

namespace {

/// Everything the window tells its session manager, in order.
class RecordingSession : public app::Session {
 public:
  std::vector<std::string> told;
  void settingsDirty(bool dirty) override { told.push_back(dirty ? "dirty" : "clean"); }
  void guiShown(bool shown) override { told.push_back(shown ? "shown" : "hidden"); }
  void ready() override { told.push_back("ready"); }
  std::string last() const { return told.empty() ? "" : told.back(); }
};

class SessionTest : public test::FormTest {
 protected:
  RecordingSession manager;
  void start() {
    session = &manager;
    create();
    form->show();
    settle();
  }
  /// Lets the posted work run: the complete device list arrives in two hops.
  static void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  std::string ini() {
    std::ifstream in(iniPath(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(SessionTest, TheOpenIsCompleteOnceEveryDeviceIsListed) {
  start();
  EXPECT_EQ(std::count(manager.told.begin(), manager.told.end(), "ready"), 1);
  form->hide();
  form->show();
  settle();
  EXPECT_EQ(std::count(manager.told.begin(), manager.told.end(), "ready"), 1);
}

TEST_F(SessionTest, PlacementAndSlotsMarkDirtyAndASaveMarksClean) {
  start();
  const QPoint home = form->pos();
  EXPECT_NE(manager.last(), "dirty");  // being shown where it was placed changes nothing
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* told;
  } steps[] = {
      {"moved", [&] { form->move(home + QPoint(50, 60)); }, "dirty"},
      {"moved back", [&] { form->move(home); }, "clean"},
      {"resized", [&] { form->resize(700, 300); }, "dirty"},
      {"saved", [&] { EXPECT_EQ(form->saveSettings(), ""); }, "clean"},
      {"slot file chosen",
       [&] {
         dialogs.answers.push_back(dir.write("a.gap", "240\n"));
         form->SpeedButton1Click(2);
       },
       "dirty"},
      {"saved again", [&] { EXPECT_EQ(form->saveSettings(), ""); }, "clean"},
  };
  for (const auto& step : steps) {
    step.act();
    settle();
    EXPECT_EQ(manager.last(), step.told) << step.what;
  }
  // The same write as at shutdown, and the window goes on.
  EXPECT_NE(ini().find("GateArp2=" + (dir.path() / "a.gap").string()), std::string::npos);
  const std::string width = "Width=" + std::to_string(form->frameGeometry().width());
  EXPECT_NE(ini().find(width), std::string::npos) << ini();
  EXPECT_TRUE(form->isVisible());
}

TEST_F(SessionTest, AFailedSaveSaysWhyAndStaysDirty) {
  start();
  form->move(form->pos() + QPoint(5, 5));
  std::filesystem::create_directory(iniPath());  // no file can be written there
  const std::string error = form->saveSettings();
  EXPECT_NE(error.find(iniPath()), std::string::npos) << error;
  EXPECT_EQ(manager.last(), "dirty");
  EXPECT_TRUE(dialogs.errors.empty());  // the manager shows it, no box
  std::filesystem::remove(iniPath());
}

TEST_F(SessionTest, HidingEndsTheHeldNoteAndKeepsThePortOpen) {
  start();
  form->PaintBox1MouseDown(Qt::LeftButton, 50, 20);
  const int before = resets();
  form->showForSession(false);
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(form->PadDown);
  EXPECT_EQ(resets(), before + 1);
  EXPECT_EQ(manager.last(), "hidden");
  for (const auto& e : *log) EXPECT_NE(e.kind, midi::Event::Close);
  form->showForSession(true);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(manager.last(), "shown");
}

TEST_F(SessionTest, TheWindowsOwnCloseHidesIt) {
  start();
  EXPECT_FALSE(form->close());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(manager.last(), "hidden");
  for (const auto& e : *log) EXPECT_NE(e.kind, midi::Event::Close);
}

/// Texts of every control, tab, menu command and list entry of the window.
std::vector<QString> windowTexts(TForm1& form) {
  std::vector<QString> texts{form.windowTitle()};
  for (auto* w : form.findChildren<QWidget*>()) {
    if (auto* l = qobject_cast<QLabel*>(w)) texts.push_back(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) texts.push_back(b->text());
    if (auto* c = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < c->count(); ++i) texts.push_back(c->itemText(i));
    if (auto* t = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < t->count(); ++i) texts.push_back(t->tabText(i));
    if (auto* m = qobject_cast<QMenu*>(w))
      for (auto* a : m->actions()) texts.push_back(a->text());
  }
  return texts;
}

bool hasJapanese(const QString& text) {
  for (QChar c : text)
    if ((c.unicode() >= 0x3000 && c.unicode() <= 0x9fff) ||
        (c.unicode() >= 0xff00 && c.unicode() <= 0xffef))
      return true;
  return false;
}

TEST_F(SessionTest, InEnglishNoTextOfTheWindowIsLeftInJapanese) {
  QTranslator english;
  ASSERT_TRUE(english.load("korvane_en", ":/i18n"));
  QCoreApplication::installTranslator(&english);
  deviceNames = {std::string("Korvane 内蔵シンセサイザー"), std::string("Korvane")};
  create();
  const auto texts = windowTexts(*form);
  for (const QString& text : texts) EXPECT_FALSE(hasJapanese(text)) << text.toStdString();
  EXPECT_EQ(form->Button1->text(), "Make keys");
  EXPECT_EQ(form->ComboBox1->itemText(0), "Korvane built-in synthesizer");
  QCoreApplication::removeTranslator(&english);
  // Without it, the designed texts.
  form.reset();
  create();
  EXPECT_EQ(form->Button1->text().toStdString(), "鍵盤生成");
}

}  // namespace

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "Harness.h"
#include "app/QtServices.h"

namespace {

TEST(QtDialogs, PatternDialogAndItsOwnerGoingFirst) {
  auto* owner = new QWidget;
  {
    app::QtDialogs dialogs(owner);
    QString title;
    QStringList filters;
    QTimer::singleShot(0, [&] {
      auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(shown, nullptr);
      title = shown->windowTitle();
      filters = shown->nameFilters();
      shown->reject();
    });
    EXPECT_EQ(dialogs.openFile(app::FileDialog::GatePattern), std::nullopt);
    EXPECT_EQ(title, QString::fromUtf8("アルペジエータパターン読み込み"));
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(
        filters[0].startsWith(QString::fromUtf8("ゲートアルペジエータパターン(*.gap *.txt)")));
    EXPECT_TRUE(filters[0].endsWith("(*.gap *.txt)"));
    // The window deletes its child dialogs before the dialogs object goes: no double delete.
    delete owner;
  }
  SUCCEED();
}

// A box lays out all its text before it shows: a text from a file is cut to keep it quick.
TEST(QtDialogs, BoxesCutAHugeText) {
  app::QtDialogs dialogs;
  for (const std::size_t size : {std::size_t{10000}, std::size_t{1000000}}) {
    qsizetype shown = 0;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      shown = box->text().size();
      box->accept();
    });
    dialogs.error(std::string(size, 'x'));
    EXPECT_EQ(shown, size == 10000 ? 10000 : 10001) << size;  // 10000 and "…"
  }
}

}  // namespace

namespace {

// Once Korvane is ending (SIGTERM) nothing may wait for a click: boxes go to standard error.
TEST(QtDialogs, AnEndingProgramShowsNoBox) {
  app::QtDialogs dialogs;
  dialogs.toStandardError();
  bool boxShown = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* box = QApplication::activeModalWidget()) {
      boxShown = true;
      box->close();
    }
  });
  watch.start(10);
  testing::internal::CaptureStderr();
  dialogs.error("/s/korvane.ini に書き込めません.");
  dialogs.message("Korvane v0.06");
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(boxShown);
  EXPECT_EQ(said, "korvane: /s/korvane.ini に書き込めません.\nkorvane: Korvane v0.06\n");
  EXPECT_EQ(dialogs.openFile(app::FileDialog::KeyScale), std::nullopt);
}

}  // namespace

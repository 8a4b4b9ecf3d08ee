#include <QApplication>
#include <QFileDialog>
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

}  // namespace

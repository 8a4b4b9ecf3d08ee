#include "app/QtServices.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <iostream>

#include "app/Language.h"
#include "lib/Error.h"

namespace app {

DialogTexts dialogTexts(FileDialog which) {
  switch (which) {
    case FileDialog::KeyScale:
      return {
          QT_TRANSLATE_NOOP("Dialogs", "鍵盤ファイル読み込み"),
          QT_TRANSLATE_NOOP("Dialogs", "キーボードスケールテキスト(*.kst,*.txt) (*.kst *.txt)")};
    case FileDialog::Volume:
      return {QT_TRANSLATE_NOOP("Dialogs", "音量定義テキスト読み込み"),
              QT_TRANSLATE_NOOP(
                  "Dialogs", "音量定義テキスト(*.vdt *.txt) (*.vdt *.txt);;すべてのファイル (*)")};
    case FileDialog::GatePattern:
      return {QT_TRANSLATE_NOOP("Dialogs", "アルペジエータパターン読み込み"),
              QT_TRANSLATE_NOOP(
                  "Dialogs",
                  "ゲートアルペジエータパターン(*.gap *.txt) (*.gap *.txt);;すべてのファイル (*)")};
  }
  return {"", ""};
}

QtDialogs::QtDialogs(QWidget* parent) : parent_(parent) {}
QtDialogs::~QtDialogs() {
  for (auto& dialog : dialogs_) delete dialog.data();
}

std::optional<std::string> QtDialogs::openFile(FileDialog which) {
  if (quiet_) return std::nullopt;
  auto& dialog = dialogs_[static_cast<int>(which)];
  if (!dialog) {
    const DialogTexts texts = dialogTexts(which);
    dialog = new QFileDialog(parent_, QCoreApplication::translate("Dialogs", texts.title));
    dialog->setNameFilters(QCoreApplication::translate("Dialogs", texts.filters).split(";;"));
    // A typed name of a missing file is accepted; the load that follows reports it.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setSizeGripEnabled(true);
  }
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog->selectedFiles().first();
  dialog->selectFile(chosen);
  return QFile::encodeName(chosen).toStdString();
}

namespace {
// A box lays out its whole text before it shows (about 10 ms a thousand characters): texts
// that come from files are cut to keep every box quick.
constexpr std::size_t kBoxTextLimit = 10000;

QString boxText(const std::string& text) {
  return QString::fromUtf8(lib::quoted(translateMessage(text), kBoxTextLimit));
}
}  // namespace

void QtDialogs::message(const std::string& text) {
  if (quiet_) {
    std::cerr << "korvane: " << translateMessage(text) << std::endl;
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, "Korvane", boxText(text), QMessageBox::Ok, parent_);
  box.exec();
}

void QtDialogs::error(const std::string& text) {
  if (quiet_) return message(text);
  QMessageBox box(QMessageBox::Critical, "Korvane", boxText(text), QMessageBox::Ok, parent_);
  box.exec();
}

}  // namespace app

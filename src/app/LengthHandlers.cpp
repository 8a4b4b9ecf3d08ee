// The count fields and the Length controls.
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "app/TForm1.h"
#include "lib/Convert.h"

void TForm1::Edit3Change(QLineEdit* sender) {
  // Setting "0" is itself a change: the nested run finds a valid text.
  if (!lib::tryStrToInt(sender->text().toStdString())) sender->setText("0");
  // The slider keeps 0 … 960 and reports only a position that actually changes.
  TrackBar1->setValue(lib::StrToInt(Edit3->text().toStdString()));
}

void TForm1::TrackBar1Change() {
  // Setting the same text again would throw the cursor to the end while the user types.
  const QString text = QString::fromStdString(lib::IntToStr(TrackBar1->value()));
  if (Edit3->text() != text) Edit3->setText(text);
}

void TForm1::Button5Click(QPushButton* sender) {
  Edit3->setText(sender->text());
}

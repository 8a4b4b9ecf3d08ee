// The count fields and the Length controls.
#include "app/TForm1.h"

void TForm1::Edit3Change(QLineEdit*) {}
void TForm1::TrackBar1Change() {}
void TForm1::Button5Click(QPushButton*) {}

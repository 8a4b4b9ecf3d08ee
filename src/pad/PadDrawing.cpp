// The pad's grid.
#include <QPainter>

#include "app/Controls.h"
#include "app/TForm1.h"

void TForm1::PaintBox1Paint() {
  QPainter painter(PaintBox1);
  painter.fillRect(PaintBox1->rect(), Qt::black);
}

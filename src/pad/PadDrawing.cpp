// The pad's grid.
#include <QPainter>

#include "app/Controls.h"
#include "app/TForm1.h"
#include "pad/Grid.h"

void TForm1::PaintBox1Paint() {
  QPainter painter(PaintBox1);
  // After shutdown has freed the tables only the black ground is left to show.
  const int rows = VolumeList ? VolumeList->count() : 0;
  const int cols = KeyList ? KeyList->count() : 0;
  pad::drawGrid(painter, PaintBox1->width(), PaintBox1->height(), rows, cols);
}

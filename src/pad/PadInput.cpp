// Pointer input on the pad.
#include "app/TForm1.h"

void TForm1::PaintBox1MouseEnter() { PointerIn = true; }
void TForm1::PaintBox1MouseLeave() { PointerIn = false; }
void TForm1::PaintBox1MouseMove(int x, int y) {
  PointerX = x;
  PointerY = y;
}
void TForm1::PaintBox1MouseDown(Qt::MouseButton, int, int) {}
void TForm1::PaintBox1MouseUp(Qt::MouseButton, int, int) {}

// Which cell of the pad a pointer position falls in.
#pragma once

namespace pad {

/// Column (0 … count − 1) of pad x on a pad width pixels wide with count columns: the whole
/// part of count·x ÷ width as the number shows with 15 significant digits, clamped. 0 when
/// count or width is not positive.
int ColumnOf(int x, int width, int count);

/// Row (0 … count − 1) of pad y on a pad height pixels high with count rows: count × (y ÷ height)
/// truncated toward zero, clamped. 0 when count or height is not positive.
int RowOf(int y, int height, int count);

/// A cell of the pad: the column gives the note, the row the velocity.
struct Cell {
  int column = 0;
  int row = 0;
};

/// The cell under pad point (x, y) on a width × height pad of columns × rows: ColumnOf and RowOf.
Cell CellAt(int x, int y, int width, int height, int columns, int rows);

/// The note clock's horizontal guard: x ÷ (width ÷ count) truncated lies within 0 … count − 1,
/// that is −width/count < x < width. False for an empty table or a pad without width.
bool InsideClockGuard(int x, int width, int count);

}  // namespace pad

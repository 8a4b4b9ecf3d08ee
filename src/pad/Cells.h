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

/// The note clock's horizontal guard: x ÷ (width ÷ count) truncated lies within 0 … count − 1,
/// that is −width/count < x < width. False for an empty table or a pad without width.
bool InsideClockGuard(int x, int width, int count);

}  // namespace pad

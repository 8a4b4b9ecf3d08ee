#include "pad/Cells.h"

#include <cmath>
#include <string>

#include "lib/Convert.h"

namespace pad {

int ColumnOf(int x, int width, int count) {
  if (count <= 0 || width <= 0) return 0;
  const long double q = count * (static_cast<long double>(x) / width);
  // The quotient goes through its shown text: 63.99999999999999 shows as 64 and is column 64.
  std::string text = lib::FloatToStr(q);
  if (const int point = lib::LastPos(text, "."); point > 0)
    text.resize(static_cast<std::size_t>(point - 1));
  int column = lib::tryStrToInt(text).value_or(0);
  if (column > count - 1) column = count - 1;
  if (column < 0) column = 0;
  return column;
}

int RowOf(int y, int height, int count) {
  if (count <= 0 || height <= 0) return 0;
  const long double r = std::trunc(count * (static_cast<long double>(y) / height));
  if (r > count - 1) return count - 1;
  if (r < 0) return 0;
  return static_cast<int>(r);
}

Cell CellAt(int x, int y, int width, int height, int columns, int rows) {
  return {ColumnOf(x, width, columns), RowOf(y, height, rows)};
}

bool InsideClockGuard(int x, int width, int count) {
  if (count <= 0 || width <= 0) return false;
  const long double cell = static_cast<long double>(width) / count;
  const long double g = std::trunc(x / cell);
  return g >= 0 && g <= count - 1;
}

}  // namespace pad

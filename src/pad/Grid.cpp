#include "pad/Grid.h"

#include <QPainter>
#include <algorithm>

namespace pad {
namespace {

// The one place the offset arithmetic lives, so both drawings agree to the pixel.
long double quotient(int size, int count) {
  return static_cast<long double>(size) / static_cast<long double>(count);
}

int offsetAt(long double q, long long i) {
  return static_cast<int>(q * static_cast<long double>(i));
}

/// Fills each run of consecutive offsets as one rectangle across the whole area.
void fillRuns(QPainter& painter, const std::vector<int>& offsets, bool rows, int width, int height,
              const QColor& color) {
  for (std::size_t a = 0; a < offsets.size();) {
    std::size_t b = a + 1;
    while (b < offsets.size() && offsets[b] == offsets[b - 1] + 1) ++b;
    const int from = offsets[a], run = offsets[b - 1] - from + 1;
    painter.fillRect(rows ? QRect(0, from, width, run) : QRect(from, 0, run, height), color);
    a = b;
  }
}

}  // namespace

int gridLine(int size, int count, int i) {
  return offsetAt(quotient(size, count), i);
}

std::vector<int> gridLines(int size, int count) {
  std::vector<int> out;
  if (count <= 0) return out;
  const long double q = quotient(size, count);
  if (q <= 0) return {0};
  out.reserve(static_cast<std::size_t>(std::min(count, std::max(size, 0) + 1)));
  // The offsets never decrease with i; jump from each one to the first entry past it.
  long long i = 0;
  while (i < count) {
    const int p = offsetAt(q, i);
    out.push_back(p);
    const long double guess = static_cast<long double>(p + 1) / q;
    long long j = std::clamp(static_cast<long long>(guess), i + 1, static_cast<long long>(count));
    while (j > i + 1 && offsetAt(q, j - 1) > p) --j;
    while (j < count && offsetAt(q, j) <= p) ++j;
    i = j;
  }
  return out;
}

void drawGridPlain(QPainter& painter, int width, int height, int rows, int cols) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRect(0, 0, width, height), Qt::black);
  painter.setPen(QPen(kRowLineColor, 1));
  for (int i = 0; i < rows; ++i) {
    const int y = gridLine(height, rows, i);
    painter.drawLine(0, y, width - 1, y);
  }
  painter.setPen(QPen(kColumnLineColor, 1));
  for (int i = 0; i < cols; ++i) {
    const int x = gridLine(width, cols, i);
    painter.drawLine(x, 0, x, height - 1);
  }
}

void drawGrid(QPainter& painter, int width, int height, int rows, int cols) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRect(0, 0, width, height), Qt::black);
  if (width <= 0 || height <= 0) return;
  fillRuns(painter, gridLines(height, rows), true, width, height, kRowLineColor);
  fillRuns(painter, gridLines(width, cols), false, width, height, kColumnLineColor);
}

}  // namespace pad

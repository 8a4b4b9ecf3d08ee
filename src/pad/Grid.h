// The pad's grid: black ground, a dark blue line per row, a dark green line per column.
#pragma once

#include <QColor>
#include <vector>

class QPainter;

namespace pad {

inline const QColor kRowLineColor{0, 0, 192};
inline const QColor kColumnLineColor{0, 64, 0};

/// Offset of grid line i (0 ≤ i < count) across size pixels: trunc((size ÷ count) × i), in
/// extended precision, quotient first. count must be positive.
int gridLine(int size, int count, int i);

/// The distinct offsets gridLine takes for i = 0 … count − 1, increasing; empty when count ≤ 0.
/// Work is bounded by min(size, count), not by count.
std::vector<int> gridLines(int size, int count);

/// Draws the whole grid on a width × height area at (0, 0), one line per entry: the reference.
void drawGridPlain(QPainter& painter, int width, int height, int rows, int cols);

/// Same pixels as drawGridPlain, with work bounded by the area's size. Lines are filled
/// rectangles in logical pixels, so they stay one logical pixel wide and crisp at any scale.
void drawGrid(QPainter& painter, int width, int height, int rows, int cols);

}  // namespace pad

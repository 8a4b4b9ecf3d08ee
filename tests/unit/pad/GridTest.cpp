#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <random>
#include <set>

#include "pad/Grid.h"

namespace {

using Offsets = std::vector<int>;
const QRgb kBlack = qRgb(0, 0, 0), kBlue = qRgb(0, 0, 192), kGreen = qRgb(0, 64, 0);

QImage render(int w, int h, int rows, int cols, bool plain = false, qreal dpr = 1) {
  QImage img(qRound(w * dpr), qRound(h * dpr), QImage::Format_RGB32);
  img.setDevicePixelRatio(dpr);
  img.fill(Qt::white);  // anything left unpainted shows
  QPainter painter(&img);
  plain ? pad::drawGridPlain(painter, w, h, rows, cols) : pad::drawGrid(painter, w, h, rows, cols);
  return img;
}

/// Positions along one line of pixels (a column at x when vertical) that have the colour.
Offsets seen(const QImage& img, bool vertical, int at, QRgb color) {
  Offsets out;
  const int n = vertical ? img.height() : img.width();
  for (int p = 0; p < n; ++p)
    if ((vertical ? img.pixel(at, p) : img.pixel(p, at)) == color) out.push_back(p);
  return out;
}

TEST(GridLine, DividesFirstThenMultipliesInExtendedPrecision) {
  struct Case {
    int size, count;
    Offsets first;
  } cases[] = {
      {235, 128, {0, 1, 3, 5, 7, 9, 11, 12}},
      {617, 128, {0, 4, 9, 14, 19, 24, 28}},
      {235, 8, {0, 29, 58, 88, 117, 146, 176, 205}},
      {100, 35, {0,  2,  5,  8,  11, 14, 17, 20, 22, 25, 28,
                 31, 34, 37, 40, 42, 45, 48, 51, 54, 57, 59}},
      {1, 1, {0}},
      {0, 5, {0, 0, 0}},
  };
  for (const auto& c : cases)
    for (int i = 0; i < static_cast<int>(c.first.size()); ++i)
      EXPECT_EQ(pad::gridLine(c.size, c.count, i), c.first[i])
          << c.size << "/" << c.count << "×" << i;
}

TEST(GridLines, DistinctOffsetsMatchEveryEntry) {
  std::mt19937 rng(7);
  for (int n = 0; n < 150; ++n) {
    const int size = std::uniform_int_distribution<>(0, 2000)(rng);
    const int count = std::uniform_int_distribution<>(0, n % 3 ? 5000 : 200000)(rng);
    std::set<int> all;
    for (int i = 0; i < count; ++i) all.insert(pad::gridLine(size, count, i));
    EXPECT_EQ(pad::gridLines(size, count), Offsets(all.begin(), all.end())) << size << "/" << count;
  }
}

TEST(GridLines, HugeCountsCostOnlyThePadsSize) {
  Offsets every(1080);
  for (int p = 0; p < 1080; ++p) every[p] = p;
  EXPECT_EQ(pad::gridLines(1080, 2147483647), every);  // would take seconds entry by entry
  EXPECT_EQ(pad::gridLines(1080, 100000).size(), 1080u);
}

TEST(DrawGrid, LinesAtTheComputedPixels) {
  struct Case {
    const char* what;
    int w, h, rows, cols;
    std::size_t rowCount, colCount;
    Offsets rowsFirst, colsFirst;
  } cases[] = {
      {"default", 617, 235, 128, 128, 128, 128, {0, 1, 3, 5, 7, 9, 11, 12}, {0, 4, 9, 14, 19, 24}},
      {"8 rows", 50, 235, 8, 0, 8, 0, {0, 29, 58, 88, 117, 146, 176, 205}, {}},
      {"one row", 30, 20, 1, 0, 1, 0, {0}, {}},
      {"empty key table", 30, 20, 5, 0, 5, 0, {0, 4, 8, 12, 16}, {}},
      {"both empty", 30, 20, 0, 0, 0, 0, {}, {}},
      {"columns only", 30, 20, 0, 3, 0, 3, {}, {0, 10, 20}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QImage img = render(c.w, c.h, c.rows, c.cols);
    // Column 1 and row 2 of pixels carry no line of the other kind in these cases.
    const Offsets rows = seen(img, true, 1, kBlue);
    const Offsets cols = seen(img, false, 2, kGreen);
    EXPECT_EQ(rows.size(), c.rowCount);
    EXPECT_EQ(cols.size(), c.colCount);
    EXPECT_EQ(Offsets(rows.begin(), rows.begin() + std::min(rows.size(), c.rowsFirst.size())),
              c.rowsFirst);
    EXPECT_EQ(Offsets(cols.begin(), cols.begin() + std::min(cols.size(), c.colsFirst.size())),
              c.colsFirst);
    // Every pixel is ground or line: a row line spans the width, a column line the height,
    // and column lines cover row lines where they cross.
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        const bool onCol = std::binary_search(cols.begin(), cols.end(), x);
        const bool onRow = std::binary_search(rows.begin(), rows.end(), y);
        ASSERT_EQ(img.pixel(x, y), onCol ? kGreen : onRow ? kBlue : kBlack) << x << "," << y;
      }
  }
}

TEST(DrawGrid, SamePixelsAsOneLinePerEntry) {
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng); };
  for (int n = 0; n < 80; ++n) {
    const int w = pick(1, 700), h = pick(1, 400);
    // Counts below, near and far above the pad's size, and zero.
    auto count = [&](int size) {
      switch (pick(0, 4)) {
        case 0:
          return 0;
        case 1:
          return pick(1, size);
        case 2:
          return pick(size, size + 3);
        case 3:
          return pick(size, 20 * size);
        default:
          return pick(1, 30000);
      }
    };
    const int rows = count(h), cols = count(w);
    ASSERT_EQ(render(w, h, rows, cols), render(w, h, rows, cols, true))
        << w << "×" << h << " rows " << rows << " cols " << cols;
  }
}

TEST(DrawGrid, HighDpiLinesAreWholeLogicalPixels) {
  for (const auto& [w, h, rows, cols] :
       {std::tuple{617, 235, 128, 128}, {100, 100, 35, 7}, {300, 200, 5000, 900}}) {
    const QImage one = render(w, h, rows, cols);
    const QImage two = render(w, h, rows, cols, false, 2);
    ASSERT_EQ(two.size(), QSize(2 * w, 2 * h));
    bool same = true;
    for (int y = 0; y < two.height() && same; ++y)
      for (int x = 0; x < two.width() && same; ++x)
        same = two.pixel(x, y) == one.pixel(x / 2, y / 2);
    EXPECT_TRUE(same) << w << "×" << h;
  }
}

}  // namespace

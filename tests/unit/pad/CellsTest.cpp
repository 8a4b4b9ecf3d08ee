#include <gtest/gtest.h>

#include "pad/Cells.h"

namespace {

struct CellCase {
  int at, size, count, want;
};

TEST(ColumnOf, MapsPadXToColumns) {
  const CellCase cases[] = {
      {0, 617, 128, 0},
      {4, 617, 128, 0},
      {5, 617, 128, 1},
      {616, 617, 128, 127},
      {5, 640, 128, 1},
      {320, 640, 128, 64},  // 64 exactly: 320 ÷ 640 × 128
      {-1, 617, 128, 0},
      {-300, 617, 128, 0},
      {617, 617, 128, 127},
      {5000, 617, 128, 127},
      {10, 100, 1, 0},
      {50, 100, 0, 0},
      {3, 0, 128, 0},
      // Quotients whose shown 15 digits round up to the next whole column.
      {3, 9, 3, 1},
      {6, 9, 3, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pad::ColumnOf(c.at, c.size, c.count), c.want)
        << "x=" << c.at << " W=" << c.size << " n=" << c.count;
}

TEST(RowOf, MapsPadYToRows) {
  const CellCase cases[] = {
      {0, 235, 128, 0},  {1, 235, 128, 0},    {2, 235, 128, 1},     {234, 235, 128, 127},
      {-1, 235, 128, 0}, {-500, 235, 128, 0}, {235, 235, 128, 127}, {99999, 235, 128, 127},
      {100, 235, 0, 0},  {10, 0, 8, 0},       {117, 235, 8, 3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pad::RowOf(c.at, c.size, c.count), c.want)
        << "y=" << c.at << " H=" << c.size << " m=" << c.count;
}

TEST(InsideClockGuard, AcceptsOneColumnLeftOfThePadUpToItsRightEdge) {
  // 640 wide, 128 columns: a column is 5 pixels.
  const struct {
    int x;
    bool inside;
  } cases[] = {{0, true},  {639, true}, {640, false}, {5000, false},
               {-1, true}, {-4, true},  {-5, false},  {-100, false}};
  for (const auto& c : cases) EXPECT_EQ(pad::InsideClockGuard(c.x, 640, 128), c.inside) << c.x;
  EXPECT_FALSE(pad::InsideClockGuard(10, 640, 0));  // no columns: nothing to guard
  EXPECT_FALSE(pad::InsideClockGuard(0, 0, 128));
}

}  // namespace

#include <gtest/gtest.h>

#include "lib/Convert.h"

namespace {

TEST(StrToInt, Placeholder) { EXPECT_EQ(lib::tryStrToInt("5"), 5); }

}  // namespace

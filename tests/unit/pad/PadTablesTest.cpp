#include <gtest/gtest.h>

#include "pad/Generator.h"
#include "pad/NoteNames.h"

namespace {

std::vector<std::string> generated(int count, int modulus) {
  pad::Random random;
  random.seed(1);
  lib::StringList table;
  table.add("old");
  pad::generateTable(
      table, [count] { return count; }, random, modulus);
  return table.items();
}

TEST(Random, FollowsTheSequenceOfSeedOne) {
  pad::Random random;
  random.seed(1);
  for (int want : {130, 10982, 1090, 11656, 7117}) EXPECT_EQ(random.draw(), want);
}

TEST(GenerateTable, KeysTakeTheDrawModulo128AndVelocitiesModulo127) {
  EXPECT_EQ(generated(5, 128), (std::vector<std::string>{"2", "102", "66", "8", "77"}));
  EXPECT_EQ(generated(5, 127), (std::vector<std::string>{"3", "60", "74", "99", "5"}));
}

TEST(NoteName, NamesEveryNoteWithItsOctave) {
  const struct {
    int note;
    const char* name;
  } cases[] = {{0, "C-1"},  {1, "C#-1"},  {11, "B-1"}, {12, "C0"},   {60, "C4"}, {69, "A4"},
               {127, "G9"}, {128, "G#9"}, {129, "A9"}, {130, "A#9"}, {131, "B9"}};
  for (const auto& c : cases) EXPECT_EQ(pad::noteName(c.note), c.name) << c.note;
}

}  // namespace

#include <gtest/gtest.h>

#include "pad/PointerCapture.h"

namespace {

using pad::PointerCapture;
using C = PointerCapture::Crossing;

/// One reply written as text: "E" enter, "L" leave, "D" delivered, around each other.
std::string text(const PointerCapture::Reply& r) {
  std::string s;
  auto cross = [&s](C c) { s += c == C::Enter ? "E" : c == C::Leave ? "L" : ""; };
  cross(r.before);
  if (r.deliver) s += "D";
  cross(r.after);
  return s;
}

enum Ev {
  Enter,
  Leave,
  MoveIn,
  MoveOut,
  LeftDown,
  LeftUpIn,
  LeftUpOut,
  RightDownIn,
  RightDownOut,
  RightUpIn,
  RightUpOut,
  LeftDownOut
};

std::vector<std::string> run(std::initializer_list<Ev> events) {
  PointerCapture capture;
  std::vector<std::string> out;
  for (Ev e : events) {
    switch (e) {
      case Enter:
        out.push_back(text(capture.enter()));
        break;
      case Leave:
        out.push_back(text(capture.leave()));
        break;
      case MoveIn:
        out.push_back(text(capture.move(true)));
        break;
      case MoveOut:
        out.push_back(text(capture.move(false)));
        break;
      case LeftDown:
        out.push_back(text(capture.press(true, true)));
        break;
      case LeftDownOut:
        out.push_back(text(capture.press(true, false)));
        break;
      case LeftUpIn:
        out.push_back(text(capture.release(true, true)));
        break;
      case LeftUpOut:
        out.push_back(text(capture.release(true, false)));
        break;
      case RightDownIn:
        out.push_back(text(capture.press(false, true)));
        break;
      case RightDownOut:
        out.push_back(text(capture.press(false, false)));
        break;
      case RightUpIn:
        out.push_back(text(capture.release(false, true)));
        break;
      case RightUpOut:
        out.push_back(text(capture.release(false, false)));
        break;
    }
  }
  return out;
}

using V = std::vector<std::string>;

TEST(PointerCapture, LeftPressKeepsThePointerUntilItsRelease) {
  // Drag off the pad and release there: everything reaches the pad, the leave comes last.
  EXPECT_EQ(run({Enter, MoveIn, LeftDown, MoveOut, LeftUpOut, Leave}),
            (V{"E", "D", "D", "D", "DL", ""}));
  // A leave Qt reports during the capture is held back; back on the pad, none is owed.
  EXPECT_EQ(run({Enter, LeftDown, Leave, MoveOut, MoveIn, LeftUpIn}),
            (V{"E", "D", "", "D", "D", "D"}));
  // The right button pressed and released during the capture reaches the pad anywhere.
  EXPECT_EQ(run({Enter, LeftDown, MoveOut, RightDownOut, RightUpOut, LeftUpOut}),
            (V{"E", "D", "D", "D", "D", "DL"}));
}

TEST(PointerCapture, OtherButtonsDoNotCapture) {
  // Right drag off the pad: the pad hears of the leave at once and nothing from outside.
  EXPECT_EQ(run({Enter, RightDownIn, MoveOut, MoveOut, RightUpOut, Leave}),
            (V{"E", "D", "L", "", "", ""}));
  // Back on the pad while still held: it enters again and the release reaches it.
  EXPECT_EQ(run({Enter, RightDownIn, MoveOut, MoveIn, RightUpIn}), (V{"E", "D", "L", "ED", "D"}));
  // A left press off the pad under another button's grab is not the pad's.
  EXPECT_EQ(run({Enter, RightDownIn, MoveOut, LeftDownOut, MoveOut}), (V{"E", "D", "L", "", ""}));
}

TEST(PointerCapture, LeftReleaseWithTheRightStillHeldEndsTheCapture) {
  EXPECT_EQ(run({Enter, LeftDown, RightDownIn, LeftUpIn, MoveOut, RightUpOut}),
            (V{"E", "D", "D", "D", "L", ""}));
}

}  // namespace

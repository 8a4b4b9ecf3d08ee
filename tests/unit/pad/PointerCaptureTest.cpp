#include <gtest/gtest.h>

#include "pad/PointerCapture.h"

namespace {

using C = pad::PointerCapture::Crossing;

/// Runs events on a fresh capture; each reply as text: E enter, L leave, D delivered, - none.
/// Events: e/l Qt's enter/leave, m/M move on/off the pad, p/P left press on/off, u/U left
/// release on/off, r/R right press on/off, x/X right release on/off, b a modal dialog blocks
/// the window.
std::string run(const std::string& events) {
  pad::PointerCapture capture;
  std::string out;
  for (char e : events) {
    const bool on = std::islower(static_cast<unsigned char>(e));
    pad::PointerCapture::Reply r;
    switch (std::tolower(static_cast<unsigned char>(e))) {
      case 'e':
        r = capture.enter();
        break;
      case 'l':
        r = capture.leave();
        break;
      case 'm':
        r = capture.move(on);
        break;
      case 'p':
        r = capture.press(true, on);
        break;
      case 'u':
        r = capture.release(true, on);
        break;
      case 'r':
        r = capture.press(false, on);
        break;
      case 'x':
        r = capture.release(false, on);
        break;
      case 'b':
        r = capture.cancel();
        break;
    }
    std::string reply = r.before == C::Enter ? "E" : r.before == C::Leave ? "L" : "";
    reply += r.deliver ? "D" : "";
    reply += r.after == C::Leave ? "L" : "";
    if (!out.empty()) out += ' ';
    out += reply.empty() ? "-" : reply;
  }
  return out;
}

/// One sequence of events and the replies it must draw, as run() writes them.
struct Case {
  const char* events;
  const char* reported;
};

void expectReports(std::initializer_list<Case> cases) {
  for (const auto& c : cases) EXPECT_EQ(run(c.events), c.reported) << c.events;
}

TEST(PointerCapture, LeftPressHoldsThePointerUntilItsRelease) {
  expectReports({
      // Dragged off and released there: all reaches the pad, the held-back leave comes last.
      {"epMUl", "E D D DL -"},
      // A leave during the capture is held back; released back on the pad, none is owed.
      {"eplMmu", "E D - D D D"},
      // The right button during the capture reaches the pad anywhere.
      {"epMRXU", "E D D D D DL"},
      // The left released first: the right no longer holds the pointer.
      {"eprumMX", "E D D D D L -"},
  });
}

TEST(PointerCapture, OtherButtonsOnlyHearOfThePointerOverThePad) {
  expectReports({
      {"erMMXl", "E D L - - -"},  // the leave at once, nothing from outside
      {"erMmx", "E D L ED D"},    // back on the pad: enters again, the release reaches it
      {"erMPM", "E D L - -"},     // a left press off the pad is not the pad's
  });
}

// A box opened during a left press gets its release: the next press must start afresh, so that
// a right press then hears of the pointer only over the pad.
TEST(PointerCapture, AModalDialogEndsTheCapture) {
  expectReports({
      {"epbemrMX", "E D L E D D L -"},
      {"eplbMe", "E D - L - E"},  // the leave held back is not owed twice
      {"ebm", "E L ED"},          // no capture: the box takes the pointer all the same
  });
}

}  // namespace

// A shown form whose pad has a chosen size, driven through its window like real input.
#pragma once

#include <QTest>
#include <QWindow>

#include "Harness.h"
#include "app/Controls.h"
#include "midi/Port.h"

namespace test {

constexpr std::uint32_t msg(int status, int data1, int data2) {
  return midi::pack(status, data1, data2);
}

class PadTest : public FormTest {
 protected:
  /// Creates and shows the form with a pad of w × h pixels.
  void createWithPad(int w, int h) {
    create();
    showWithPad(w, h);
  }
  void showWithPad(int w, int h) {
    form->show();
    // Around the pad: the panels' margins and frames, the top bar and the pages.
    form->resize(w + 22, h + 22 + 29 + 59);
    QCoreApplication::processEvents();
    ASSERT_EQ(form->PaintBox1->size(), QSize(w, h));
  }
  /// Enters the pad at x, y: Qt drops a move to where the pointer already is.
  void enterAt(int x, int y) {
    moveTo(x + 1, y + 1);
    moveTo(x, y);
  }
  void TearDown() override {
    // Buttons a test left held would stay held for the next one.
    if (form && form->isVisible())
      for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
        if (QGuiApplication::mouseButtons() & b) release(b, 0, 0);
    FormTest::TearDown();
  }
  QWindow* window() { return form->windowHandle(); }
  QPoint onWindow(int x, int y) { return form->PaintBox1->mapTo(form.get(), QPoint(x, y)); }
  /// Real pointer input at pad coordinates, through the window as the platform sends it.
  void moveTo(int x, int y) { QTest::mouseMove(window(), onWindow(x, y)); }
  void press(Qt::MouseButton b, int x, int y) {
    QTest::mousePress(window(), b, {}, onWindow(x, y));
  }
  void release(Qt::MouseButton b, int x, int y) {
    QTest::mouseRelease(window(), b, {}, onWindow(x, y));
  }
  /// A right press at 100,100 dragged off the pad: no capture, so the pad neither follows the
  /// pointer nor hears the release, and ArpDown stays set.
  void expectRightPressNotCaptured() {
    press(Qt::RightButton, 100, 100);
    moveTo(-8, -8);
    EXPECT_FALSE(form->PointerIn);
    EXPECT_EQ(form->PointerX, 100);
    release(Qt::RightButton, -8, -8);
    EXPECT_TRUE(form->ArpDown);
  }
};

}  // namespace test

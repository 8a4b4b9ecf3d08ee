// Small widgets that report the events the window's handlers need.
#pragma once

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QToolButton>
#include <functional>

#include "pad/PointerCapture.h"

namespace app {

class PaintBox;

/// A raised panel that reports when the pointer leaves it. Qt gives the pointer to the widget
/// where the first button went down; a right or middle button goes down on the panel without
/// taking the pointer from the pad inside it, so while it holds Qt's grab the panel hands its
/// pointer events (its own and those of the frames in it) to the pad.
class Panel : public QFrame {
  Q_OBJECT
 public:
  explicit Panel(QWidget* parent);
  std::function<void()> onLeave;
  PaintBox* pad = nullptr;  ///< follows the pointer while a right or middle press holds it

 protected:
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void handOver(QMouseEvent* event);
  bool handingOver_ = false;  ///< the grab began with a right or middle press on the panel
};

/// The pad's drawing surface: reports paint, pointer enter/leave, moves, presses and releases,
/// with the pointer captured by a left press only (pad::PointerCapture).
class PaintBox : public QWidget {
  Q_OBJECT
 public:
  explicit PaintBox(QWidget* parent);
  std::function<void()> onPaint;
  std::function<void()> onEnter, onLeave;
  std::function<void(int x, int y)> onMove;
  std::function<void(Qt::MouseButton, int x, int y)> onDown, onUp;
  /// Marks the whole pad for a repaint from the event loop; counted so tests can see it.
  void requestRepaint();
  /// Repaint requests made so far.
  int repaintRequests() const { return repaintRequests_; }
  /// A pointer move, press or release at p (pad coordinates), from wherever Qt delivered it.
  void pointerEvent(QEvent::Type type, Qt::MouseButton button, QPoint p);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  /// Reports reply's crossings around deliver.
  void report(const pad::PointerCapture::Reply& reply, const std::function<void()>& deliver);
  pad::PointerCapture capture_;
  int repaintRequests_ = 0;
};

/// A toggle button of the slot group: reports every button's press and release, and leave.
class SpeedButton : public QToolButton {
  Q_OBJECT
 public:
  SpeedButton(QWidget* parent, int tag);
  const int Tag;
  std::function<void(Qt::MouseButton)> onDown, onUp;
  std::function<void()> onLeave;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  // Gate slots: a held button keeps Qt's leave until the release, so moves report it.
  void enterEvent(QEnterEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  bool pointerOn_ = false;
};

/// A drop-down list that reports when its list is about to open, before it shows.
class DropDownList : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  std::function<void()> onDropDown;
  void showPopup() override;
};

/// Makes a raised 1-pixel panel.
QFrame* makePanel(QWidget* parent);
/// The same panel, filled black (the pad's).
QWidget* makeBlackPanel(QWidget* parent);
/// The Length slider: 0–960 ticks, a step of 1, a page of 60, a tick mark every 120.
QWidget* makeLengthSlider(QWidget* parent);
/// Tab pages with the tabs along the bottom, each page's client area inside a 4-pixel frame.
QWidget* makePages(QWidget* parent);

}  // namespace app

#include "app/Controls.h"

#include <QMouseEvent>
#include <QPainter>

namespace app {
namespace {
template <class F, class... A>
void fire(const F& f, A... args) {
  if (f) f(args...);
}
}  // namespace

QFrame* makePanel(QWidget* parent) {
  auto* f = new QFrame(parent);
  f->setFrameStyle(QFrame::Panel | QFrame::Raised);
  f->setLineWidth(1);
  return f;
}

Panel::Panel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
}

void Panel::leaveEvent(QEvent* event) {
  QFrame::leaveEvent(event);
  fire(onLeave);
}

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

void PaintBox::requestRepaint() {
  ++repaintRequests_;
  update();
}

void PaintBox::paintEvent(QPaintEvent*) { fire(onPaint); }
void PaintBox::enterEvent(QEnterEvent*) { report(capture_.enter(), {}); }
void PaintBox::leaveEvent(QEvent*) { report(capture_.leave(), {}); }

void PaintBox::report(const pad::PointerCapture::Reply& reply,
                      const std::function<void()>& deliver) {
  using Crossing = pad::PointerCapture::Crossing;
  auto cross = [this](Crossing c) {
    if (c == Crossing::Enter) fire(onEnter);
    if (c == Crossing::Leave) fire(onLeave);
  };
  cross(reply.before);
  if (reply.deliver && deliver) deliver();
  cross(reply.after);
}

void PaintBox::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  report(capture_.move(rect().contains(p)), [&] { fire(onMove, p.x(), p.y()); });
}

void PaintBox::mousePressEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  report(capture_.press(e->button() == Qt::LeftButton, rect().contains(p)),
         [&] { fire(onDown, e->button(), p.x(), p.y()); });
}

// A double click arrives as one more press of the same button.
void PaintBox::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void PaintBox::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  report(capture_.release(e->button() == Qt::LeftButton, rect().contains(p)),
         [&] { fire(onUp, e->button(), p.x(), p.y()); });
}

SpeedButton::SpeedButton(QWidget* parent, int tag) : QToolButton(parent), Tag(tag) {
  setCheckable(true);
  setAutoExclusive(false);
  setFocusPolicy(Qt::NoFocus);
}

void SpeedButton::mousePressEvent(QMouseEvent* e) {
  pointerOn_ = true;
  fire(onDown, e->button());
  QToolButton::mousePressEvent(e);
}

void SpeedButton::mouseReleaseEvent(QMouseEvent* e) {
  fire(onUp, e->button());
  QToolButton::mouseReleaseEvent(e);
}

void SpeedButton::leaveEvent(QEvent* e) {
  QToolButton::leaveEvent(e);
  pointerOn_ = false;
  fire(onLeave);
}

void SpeedButton::enterEvent(QEnterEvent* e) {
  QToolButton::enterEvent(e);
  pointerOn_ = true;
}

// While a mouse button is held Qt sends the leave only after the release; the right-held
// gesture must end as soon as the pointer is off the button.
void SpeedButton::mouseMoveEvent(QMouseEvent* e) {
  const bool on = rect().contains(e->position().toPoint());
  if (e->buttons() != Qt::NoButton && on != pointerOn_) {
    pointerOn_ = on;
    if (!on) fire(onLeave);
  }
  QToolButton::mouseMoveEvent(e);
}

void DropDownList::showPopup() {
  if (onDropDown) onDropDown();
  QComboBox::showPopup();
}

}  // namespace app

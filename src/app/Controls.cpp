#include "app/Controls.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QSlider>
#include <QTabWidget>

namespace app {
namespace {
template <class F, class... A>
void fire(const F& f, A... args) {
  if (f) f(args...);
}

// A modal dialog opening takes the pointer from the whole window: Qt reports a leave, but the
// pointer is still on the button.
bool modalDialogShown(const QWidget* own) {
  for (const QWidget* w : QApplication::topLevelWidgets())
    if (w != own && w->isVisible() && w->isModal()) return true;
  return false;
}
/// Tab pages with tabs along the bottom: each page inside a 4-pixel frame, the tabs in the
/// 22 pixels below it, so a page of the designed 59-pixel control has a 33-pixel client area.
class PagesStyle : public QProxyStyle {
 public:
  QRect subElementRect(SubElement element, const QStyleOption* option,
                       const QWidget* widget) const override {
    const QRect all = option->rect;
    switch (element) {
      case SE_TabWidgetTabPane:
        return QRect(all.left(), all.top(), all.width(),
                     std::max(0, all.height() - kTabsHeight + kFrame));
      case SE_TabWidgetTabContents:
        return QRect(all.left() + kFrame, all.top() + kFrame, std::max(0, all.width() - 2 * kFrame),
                     std::max(0, all.height() - kTabsHeight - kFrame));
      case SE_TabWidgetTabBar: {
        const QRect bar = QProxyStyle::subElementRect(element, option, widget);
        return QRect(bar.left(), all.bottom() + 1 - kTabsHeight + kOverlap, bar.width(),
                     kTabsHeight - kOverlap);
      }
      default:
        return QProxyStyle::subElementRect(element, option, widget);
    }
  }

 private:
  static constexpr int kFrame = 4, kTabsHeight = 22, kOverlap = 2;
};

}  // namespace

QWidget* makeLengthSlider(QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setRange(0, 960);
  slider->setSingleStep(1);
  slider->setPageStep(60);
  slider->setTickInterval(120);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setValue(0);
  return slider;
}

QWidget* makePages(QWidget* parent) {
  auto* pages = new QTabWidget(parent);
  pages->setTabPosition(QTabWidget::South);
  auto* style = new PagesStyle;
  style->setParent(pages);
  pages->setStyle(style);
  return pages;
}

QWidget* makeBlackPanel(QWidget* parent) {
  QFrame* panel = app::makePanel(parent);
  panel->setAutoFillBackground(true);
  QPalette black = panel->palette();
  black.setColor(QPalette::Window, Qt::black);
  panel->setPalette(black);
  return panel;
}

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

void Panel::mousePressEvent(QMouseEvent* e) {
  // The first button of the grab decides; a left press keeps the pointer for the panel.
  if (e->buttons() == e->button()) handingOver_ = e->button() != Qt::LeftButton;
  handOver(e);
}

void Panel::mouseDoubleClickEvent(QMouseEvent* e) {
  mousePressEvent(e);
}
void Panel::mouseMoveEvent(QMouseEvent* e) {
  handOver(e);
}

void Panel::mouseReleaseEvent(QMouseEvent* e) {
  handOver(e);
  if (e->buttons() == Qt::NoButton) handingOver_ = false;
}

void Panel::handOver(QMouseEvent* e) {
  if (!handingOver_ || pad == nullptr) return e->ignore();
  const QEvent::Type type =
      e->type() == QEvent::MouseButtonDblClick ? QEvent::MouseButtonPress : e->type();
  pad->pointerEvent(type, e->button(), pad->mapFrom(this, e->position().toPoint()));
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

// A box or dialog gets the release of a press made before it opened: the capture ends.
bool PaintBox::event(QEvent* e) {
  if (e->type() == QEvent::WindowBlocked) report(capture_.cancel(), {});
  return QWidget::event(e);
}

void PaintBox::paintEvent(QPaintEvent*) {
  fire(onPaint);
}
void PaintBox::enterEvent(QEnterEvent*) {
  report(capture_.enter(), {});
}
void PaintBox::leaveEvent(QEvent*) {
  report(capture_.leave(), {});
}

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

void PaintBox::pointerEvent(QEvent::Type type, Qt::MouseButton button, QPoint p) {
  const bool inside = rect().contains(p), left = button == Qt::LeftButton;
  if (type == QEvent::MouseMove)
    report(capture_.move(inside), [&] { fire(onMove, p.x(), p.y()); });
  else if (type == QEvent::MouseButtonPress)
    report(capture_.press(left, inside), [&] { fire(onDown, button, p.x(), p.y()); });
  else if (type == QEvent::MouseButtonRelease)
    report(capture_.release(left, inside), [&] { fire(onUp, button, p.x(), p.y()); });
}

void PaintBox::mouseMoveEvent(QMouseEvent* e) {
  pointerEvent(QEvent::MouseMove, Qt::NoButton, e->position().toPoint());
}

void PaintBox::mousePressEvent(QMouseEvent* e) {
  pointerEvent(QEvent::MouseButtonPress, e->button(), e->position().toPoint());
}

// A double click arrives as one more press of the same button.
void PaintBox::mouseDoubleClickEvent(QMouseEvent* e) {
  mousePressEvent(e);
}

void PaintBox::mouseReleaseEvent(QMouseEvent* e) {
  pointerEvent(QEvent::MouseButtonRelease, e->button(), e->position().toPoint());
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
  if (modalDialogShown(window())) return;
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

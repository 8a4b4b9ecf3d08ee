#include "app/LiveWait.h"

#include <sys/prctl.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "engine/GateStep.h"

namespace app {
namespace {

using Clock = std::chrono::steady_clock;

/// Holds back the pointer and key events Qt hands to top-level windows. Held at the window,
/// before Qt picks the widget, so grabs, enter/leave and focus are worked out when each
/// event is finally delivered, as for input that had waited in the queue.
class HeldInput : public QObject {
 public:
  HeldInput() { QCoreApplication::instance()->installEventFilter(this); }
  ~HeldInput() override { QCoreApplication::instance()->removeEventFilter(this); }

  /// Stops holding and posts the held events in their order.
  void release() {
    QCoreApplication::instance()->removeEventFilter(this);
    for (auto& held : held_)
      if (held.window) QCoreApplication::postEvent(held.window, held.event.release());
    held_.clear();
  }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (!receiver->isWindowType()) return false;
    if (!event->isInputEvent() && event->type() != QEvent::Leave) return false;
    held_.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
    return true;
  }

 private:
  struct Held {
    QPointer<QObject> window;
    std::unique_ptr<QEvent> event;
  };
  std::vector<Held> held_;
};

// Qt's event loop rounds its wake-ups up to whole milliseconds; the last stretch is slept
// instead, so a note ends on time to a fraction of a millisecond.
constexpr auto kLastStretch = std::chrono::milliseconds(3);

}  // namespace

LiveWaiter::LiveWaiter() {
  // The kernel may otherwise end a sleep up to 50 µs late.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

void LiveWaiter::wait(long long ms) {
  waitFrom(Clock::now(), ms);
}

void LiveWaiter::waitFrom(Clock::time_point from, long long ms) {
  if (ms <= 0) return;
  waitUntil(from + std::chrono::milliseconds(ms), nullptr);
}

void LiveWaiter::waitUntil(Clock::time_point deadline, Chime* chime) {
  using std::chrono::milliseconds;
  std::unique_ptr<HeldInput> held;
  QTimer alarm;
  alarm.setTimerType(Qt::PreciseTimer);
  alarm.setSingleShot(true);
  waiting_ = true;
  interrupted_ = false;
  while (!interrupted_) {
    const auto now = Clock::now();
    const auto left = deadline - now;
    const auto leftMs = std::chrono::ceil<milliseconds>(left).count();
    if (!held && engine::inputWaitsForNote(leftMs)) held = std::make_unique<HeldInput>();
    std::optional<Clock::time_point> chimes;
    if (chime) chimes = chime->next();
    if (chimes && *chimes >= deadline) chimes.reset();
    if (chimes && *chimes - now <= kLastStretch) {
      std::this_thread::sleep_until(*chimes);
      chime->ring();
      continue;
    }
    if (left <= kLastStretch) break;
    auto wake = std::chrono::duration_cast<milliseconds>(left - kLastStretch);
    if (chimes)
      wake = std::min(wake, std::chrono::duration_cast<milliseconds>(*chimes - now - kLastStretch));
    if (!held) wake = std::min(wake, milliseconds(leftMs - engine::kHeldInputMs));
    alarm.start(std::max(wake, milliseconds(1)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (!interrupted_) {
    std::this_thread::sleep_until(deadline);
    QCoreApplication::processEvents();  // input that came in the last stretch
  }
  waiting_ = false;
  // When closing, the held input goes with the window.
  if (!interrupted_ && held) held->release();
}

void LiveWaiter::interrupt() {
  if (waiting_) interrupted_ = true;
}

}  // namespace app

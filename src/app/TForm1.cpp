// Start-up, shutdown and the window's own events.
#include "app/TForm1.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTimer>

#include "app/Controls.h"
#include "app/ErrorReport.h"
#include "app/IniFile.h"

namespace app {
int storedSize(int stored, int def) {
  return stored < 1 ? def : stored;
}
}  // namespace app

TForm1::TForm1(TForm1Services services) : QWidget(nullptr), services_(std::move(services)) {
  buildControls();                                // 1
  buildSyncPage();
  Rand.seed(services_.seed);                      // 2
  KeyList = std::make_unique<lib::StringList>();  // 3
  NoteNames = std::make_unique<lib::StringList>();
  VolumeList = std::make_unique<lib::StringList>();
  GateFiles = std::make_unique<lib::StringList>();
  GatePattern = std::make_unique<lib::StringList>();
  GateStep = 0;  // 4
  SlotRightDown = PadDown = ArpDown = false;
  PageControl1->setCurrentIndex(0);  // 5
  NoteClock = new QTimer(this);      // 6
  NoteClock->setTimerType(Qt::PreciseTimer);
  NoteClock->setInterval(1);
  connect(NoteClock, &QTimer::timeout, this, [this] { guarded([this] { NoteClockTick(0); }); });
  if (services_.startTimer) NoteClock->start();
  Ini = std::make_unique<app::IniFile>(app::settingsPathFor(services_.exePath));  // 7, 8
  readGateSlots();                                                                // 9–11
  const int top = Ini->readInteger(app::kSettingsSection, "Top", 0);              // 12
  const int left = Ini->readInteger(app::kSettingsSection, "Left", 0);
  const int width = app::storedSize(Ini->readInteger(app::kSettingsSection, "Width", 600), 600);
  const int height = app::storedSize(Ini->readInteger(app::kSettingsSection, "Height", 200), 200);
  applyPlacement(top, left, width, height);
  buildDefaultTables();  // 13, 14
  openMidiAtStartup();   // 15
  readSyncSettings();
}

TForm1::~TForm1() {
  if (!destroyed_) guarded([this] { FormDestroy(); });
}

void TForm1::FormDestroy() {
  destroyed_ = true;
  const QRect outer = outerGeometry();
  // Silenced first: a long settings write or its error box must not keep a note sounding.
  if (MidiOut) MidiOut->reset();
  setSendClock(false);
  followSource(nullptr, false);
  KeyList.reset();
  NoteNames.reset();
  VolumeList.reset();
  if (NoteClock) NoteClock->stop();
  writeGateSlots();
  GateFiles.reset();
  GatePattern.reset();
  Ini->writeInteger(app::kSettingsSection, "Left", outer.left());
  Ini->writeInteger(app::kSettingsSection, "Top", outer.top());
  Ini->writeInteger(app::kSettingsSection, "Width", outer.width());
  Ini->writeInteger(app::kSettingsSection, "Height", outer.height());
  writeSyncSettings();
  Ini->save();
  Ini.reset();
}

void TForm1::guarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (...) {
    app::reportCurrentError(services_.dialogs);
  }
}

std::string TForm1::settingsPath() const {
  return Ini ? Ini->path() : std::string();
}

QRect TForm1::outerGeometry() const {
  if (isVisible()) return frameGeometry();
  return lastOuter_.isValid() ? lastOuter_ : wantedOuter_;
}

void TForm1::applyPlacement(int top, int left, int width, int height) {
  wantedOuter_ = QRect(left, top, width, height);
  // Qt places a window by its frame but sizes its client area; the frame is known only once
  // a window manager has framed the window, so the size is fitted then (fitFrameOnce).
  move(left, top);
  // Qt never maps a window without area: at least one pixel of it stays.
  resize(std::max(1, width), std::max(1, height));
  // A hidden window gets its resize event only when shown; the pad is placed now already.
  if (!isVisible()) {
    layoutBands();
    FormResize();
  }
}

void TForm1::fitFrameOnce() {
  if (frameFitted_ || !isVisible()) return;
  const QRect outer = frameGeometry(), inner = geometry();
  const int dw = outer.width() - inner.width(), dh = outer.height() - inner.height();
  if (dw == 0 && dh == 0) return;
  frameFitted_ = true;
  resize(std::max(1, wantedOuter_.width() - dw), std::max(1, wantedOuter_.height() - dh));
  move(wantedOuter_.topLeft());
}

void TForm1::FormResize() {
  Panel3->setGeometry(10, 10, std::max(0, Panel1->width() - 20),
                      std::max(0, Panel1->height() - 20));
  // The paint box fills the pad panel inside its 1-pixel border.
  PaintBox1->setGeometry(1, 1, std::max(0, Panel3->width() - 2), std::max(0, Panel3->height() - 2));
  PaintBox1->requestRepaint();
}

void TForm1::Version1Click() {
  dialogs().message("Korvane v0.06\n Copyright (C) 2026 Korvane developers. All rights reserved.");
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  guarded([this] {
    layoutBands();
    FormResize();
  });
}

void TForm1::keyReleaseEvent(QKeyEvent* event) {
  // Only while the window itself holds the focus: a control's unhandled keys arrive here too.
  QWidget* focus = focusWidget();
  if ((focus == nullptr || focus == this) && !event->isAutoRepeat()) {
    const int key = app::virtualKey(*event);
    guarded([this, key] { FormKeyUp(key); });
  }
  QWidget::keyReleaseEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  lastOuter_ = frameGeometry();
  // A close request during a note ends its wait at once; no tick starts after it.
  closeRequested_ = true;
  waiter().interrupt();
  QWidget::closeEvent(event);
}

bool TForm1::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
      if (!listCompleting_) {
        listCompleting_ = true;
        // Once shown: what is slow to list must not hold the window back.
        QTimer::singleShot(0, this, [this] { guarded([this] { completeDeviceList(); }); });
      }
      [[fallthrough]];
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::UpdateRequest:
      fitFrameOnce();
      wakeClock();  // a repaint follows every change of the pad's size or tables
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

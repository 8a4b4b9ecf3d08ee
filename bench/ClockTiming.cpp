// Whole-program measurement of the note clock under a real X server, with the pointer driven
// by xdotool: how evenly held notes start, whether input held back during a note keeps its
// order, and how much CPU the clock costs while the pointer rests.
//
//   ClockTiming [--notes N] [--length TICKS] [--load] [--jack PORT --capture FILE]
//               [--frames] [--order] [--cpu SECONDS]
//
// Needs DISPLAY and xdotool. Note-ons are time-stamped with the monotonic clock when handed to
// the port; with --jack they also go to that JACK port, and the capture tool's file (same
// clock) gives the receiving side's figures. With --frames a JACK receiver of this program
// stamps each note-on with its frame: Korvane's JACK port (each message for its moment) and an
// RtMidi JACK sender (each message as the clock hands it over) play the same notes side by side.
#include <RtMidi.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "FrameReceiver.h"
#include "app/Controls.h"
#include "app/LiveWait.h"
#include "app/TForm1.h"
#include "midi/Recording.h"
#include "midi/System.h"

namespace {

using Clock = std::chrono::steady_clock;

class NoDialogs : public app::Dialogs {
 public:
  std::optional<std::string> openFile(app::FileDialog) override { return std::nullopt; }
  void message(const std::string& text) override { std::printf("message: %s\n", text.c_str()); }
  void error(const std::string& text) override { std::printf("error: %s\n", text.c_str()); }
};

/// Time-stamps what the window hands to a port, then passes it on with its moment, and to an
/// RtMidi sender (if any) at once.
class TimedPort : public midi::Port {
 public:
  TimedPort(std::unique_ptr<midi::Port> inner, midi::EventLog& log, RtMidiOut* rt)
      : inner_(std::move(inner)), log_(log), rt_(rt) {}

 protected:
  void write(const std::uint8_t* bytes, std::size_t size) override {
    writeAt(bytes, size, Clock::now());
  }
  void writeAt(const std::uint8_t* bytes, std::size_t size, midi::Moment at) override {
    log_.push_back({midi::Event::Message, 0, {bytes, bytes + size}, Clock::now()});
    if (size >= 2) inner_->send({bytes[0], bytes[1], size > 2 ? bytes[2] : 0}, at);
    if (rt_ && rt_->isPortOpen()) {
      const std::vector<unsigned char> message(bytes, bytes + size);
      rt_->sendMessage(&message);
    }
  }

 private:
  std::unique_ptr<midi::Port> inner_;
  midi::EventLog& log_;
  RtMidiOut* rt_;
};

/// The system's devices with the one named like port time-stamped, or a recording device.
class TimedDevices : public midi::Devices {
 public:
  TimedDevices(midi::EventLog& log, const std::string& port, RtMidiOut* rt = nullptr)
      : log_(log), port_(port), rt_(rt) {
    if (port.empty()) return;
    system_ = midi::makeSystemDevices();
    system_->refresh();  // the JACK ports too
  }
  int count() override { return 1; }
  std::optional<std::string> name(int) override { return "timed"; }
  std::unique_ptr<midi::Port> open(int) override {
    std::unique_ptr<midi::Port> inner = std::make_unique<midi::NullPort>();
    for (int id = 0; system_ && id < system_->count(); ++id)
      if (system_->name(id).value_or("").find(port_) != std::string::npos)
        inner = system_->open(id);
    return std::make_unique<TimedPort>(std::move(inner), log_, rt_);
  }

 private:
  midi::EventLog& log_;
  std::string port_;
  RtMidiOut* rt_;
  std::unique_ptr<midi::Devices> system_;
};

struct Options {
  int notes = 300, length = 60;
  bool load = false, order = false, frames = false;
  int cpuSeconds = 0;
  std::string jack, capture;
};

void xdo(const QStringList& args) {
  QProcess::execute("xdotool", args);
}

/// Runs the event loop until done() or the time-out; false on time-out.
template <class F>
bool runUntil(F done, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  QTimer poll;
  poll.start(5);
  while (!done()) {
    if (Clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

/// Lets the event loop run for ms, adding no wake-ups of its own.
void settle(std::chrono::milliseconds ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

QPoint padPoint(TForm1& form, int x, int y) {
  return form.PaintBox1->mapToGlobal(QPoint(x, y));
}

void moveTo(const QPoint& p) {
  xdo({"mousemove", QString::number(p.x()), QString::number(p.y())});
}

std::vector<double> quantiles(std::vector<double> v, std::initializer_list<double> qs) {
  std::vector<double> out;
  std::sort(v.begin(), v.end());
  for (double q : qs)
    out.push_back(v.empty() ? NAN
                            : v[std::min(v.size() - 1, static_cast<std::size_t>(q * v.size()))]);
  return out;
}

/// Prints the error of each interval between onsets (seconds) against nominal (ms).
void report(const char* side, const std::vector<double>& onsets, double nominal) {
  std::vector<double> errors, signedErrors;
  for (std::size_t i = 1; i < onsets.size(); ++i) {
    const double e = (onsets[i] - onsets[i - 1]) * 1000 - nominal;
    signedErrors.push_back(e);
    errors.push_back(std::fabs(e));
  }
  const auto q = quantiles(errors, {0.5, 0.99});
  double mean = 0;
  for (double e : signedErrors) mean += e / signedErrors.size();
  std::printf(
      "%-10s intervals %zu  |error| median %.3f ms  p99 %.3f ms  max %.3f ms  mean %+.3f ms\n",
      side, errors.size(), q[0], q[1], *std::max_element(errors.begin(), errors.end()), mean);
}

std::vector<double> noteOnTimes(const midi::EventLog& log) {
  std::vector<double> t;
  for (const auto& e : log)
    if (e.kind == midi::Event::Message && e.bytes.size() == 3 && (e.bytes[0] & 0xF0) == 0x90)
      t.push_back(std::chrono::duration<double>(e.at.time_since_epoch()).count());
  return t;
}

std::vector<double> capturedNoteOns(const std::string& file) {
  std::vector<double> t;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    double at;
    std::string status;
    if (fields >> at >> status && status.size() == 2 && status[0] == '9') t.push_back(at);
  }
  return t;
}

/// Holds the left button on the pad for n notes of o.length ticks (as many ms at tempo 125).
void measureTiming(TForm1& form, midi::EventLog& log, const Options& o,
                   const FrameReceiver* receiver) {
  form.Edit3->setText(QString::number(o.length));
  const double nominal = o.length;
  log.clear();
  moveTo(padPoint(form, 100, 50));
  if (!runUntil([&] { return form.PointerIn; }, std::chrono::seconds(5))) {
    std::printf("the pointer never reached the pad\n");
    return;
  }
  xdo({"mousedown", "1"});
  const auto enough = [&] {
    return noteOnTimes(log).size() >= static_cast<std::size_t>(o.notes) + 2;
  };
  if (!runUntil(enough, std::chrono::seconds(o.notes / 10 + 30))) std::printf("too few notes\n");
  xdo({"mouseup", "1"});
  runUntil([&] { return !form.PadDown; }, std::chrono::seconds(5));
  // The press strikes the first note, the first tick the second at once: measured from there.
  auto onsets = noteOnTimes(log);
  onsets.erase(onsets.begin(), onsets.begin() + std::min<std::size_t>(2, onsets.size()));
  // Only notes struck before the release: starting xdotool holds this thread, and the clock.
  onsets.resize(std::min<std::size_t>(onsets.size(), o.notes));
  report("in-process", onsets, nominal);
  if (receiver) {
    settle(std::chrono::milliseconds(300));
    const char* sides[2] = {"jack-port", "rtmidi"};
    for (int p = 0; p < 2; ++p) {
      auto frames = receiver->onsets(p);
      if (frames.size() < 4) {
        std::printf("%s: only %zu note-ons received\n", sides[p], frames.size());
        continue;
      }
      frames.erase(frames.begin(), frames.begin() + 2);
      frames.resize(std::min(frames.size(), onsets.size()));
      report(sides[p], frames, nominal);
    }
  }
  if (!o.capture.empty()) {
    settle(std::chrono::milliseconds(300));
    auto captured = capturedNoteOns(o.capture);
    // The capture holds every note-on of this run in the same order.
    if (captured.size() > 3) {
      captured.erase(captured.begin(), captured.begin() + 2);
      captured.resize(std::min(captured.size(), onsets.size()));
      report("jack", captured, nominal);
    } else {
      std::printf("jack: only %zu note-ons captured\n", captured.size());
    }
  }
}

/// During a long note: move, release, move, press. After the note, in that order: the
/// release's note-off, then the new press's note of the last position.
void checkOrder(TForm1& form, midi::EventLog& log) {
  form.Edit3->setText("480");
  moveTo(padPoint(form, 100, 50));
  runUntil([&] { return form.PointerIn; }, std::chrono::seconds(5));
  log.clear();
  Clock::time_point sentFrom, sentTo;
  // Fires inside the first tick's wait: the pointer acts while the note sounds.
  QTimer::singleShot(100, [&] {
    sentFrom = Clock::now();
    moveTo(padPoint(form, 300, 50));
    xdo({"mouseup", "1"});
    moveTo(padPoint(form, 500, 50));
    xdo({"mousedown", "1"});
    sentTo = Clock::now();
  });
  xdo({"mousedown", "1"});
  runUntil([&] { return noteOnTimes(log).size() >= 3; }, std::chrono::seconds(5));
  xdo({"mouseup", "1"});
  runUntil([&] { return !form.PadDown; }, std::chrono::seconds(5));
  const auto ms = [&](Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(t - log.front().at).count();
  };
  std::printf("order: xdotool acted from %.1f to %.1f ms\n", ms(sentFrom), ms(sentTo));
  int shown = 0;
  for (const auto& e : log) {
    if (e.kind != midi::Event::Message || (e.bytes[0] & 0xF0) == 0xB0 || ++shown > 7) continue;
    std::printf("  %7.1f ms  %02x %3d %3d\n", ms(e.at), e.bytes[0], e.bytes[1], e.bytes[2]);
  }
}

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void measureCpu(TForm1& form, int seconds) {
  const auto run = [&](const char* what) {
    settle(std::chrono::milliseconds(500));
    const double before = cpuSeconds();
    settle(std::chrono::seconds(seconds));
    std::printf("cpu %-8s %.2f %% of one core over %d s\n", what,
                (cpuSeconds() - before) * 100 / seconds, seconds);
  };
  const QRect screen = form.screen()->geometry();
  moveTo(screen.bottomRight() - QPoint(5, 5));
  runUntil([&] { return !form.PointerIn; }, std::chrono::seconds(5));
  run("away");
  moveTo(padPoint(form, 100, 50));
  runUntil([&] { return form.PointerIn; }, std::chrono::seconds(5));
  run("hovering");
  // Moving to and fro across the pad, about fifty moves a second.
  const QPoint a = padPoint(form, 2, 30), b = padPoint(form, form.PaintBox1->width() - 3, 30);
  const QString sweep = QString(
                            "while :; do xdotool mousemove %1 %2; sleep 0.02; xdotool mousemove %3 "
                            "%4; sleep 0.02; done")
                            .arg(a.x())
                            .arg(a.y())
                            .arg(b.x())
                            .arg(b.y());
  qint64 sweeper = 0;
  QProcess::startDetached("sh", {"-c", sweep}, QString(), &sweeper);
  const auto titles = std::make_shared<int>(0);
  QObject::connect(&form, &QWidget::windowTitleChanged, [titles] { ++*titles; });
  run("sweeping");
  std::printf("         %d caption changes while sweeping\n", *titles);
  kill(static_cast<pid_t>(sweeper), SIGTERM);
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (a == "--notes") o.notes = std::stoi(next());
    if (a == "--length") o.length = std::stoi(next());
    if (a == "--frames") o.frames = true;
    if (a == "--load") o.load = true;
    if (a == "--order") o.order = true;
    if (a == "--cpu") o.cpuSeconds = std::stoi(next());
    if (a == "--jack") o.jack = next();
    if (a == "--capture") o.capture = next();
  }
  return o;
}

/// Keeps the other cores busy for the life of this program.
std::vector<pid_t> loadOtherCores() {
  std::vector<pid_t> pids;
  for (long i = 1; i < sysconf(_SC_NPROCESSORS_ONLN); ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (;;) asm volatile("" ::: "memory");
    }
    pids.push_back(pid);
  }
  return pids;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parse(argc, argv);
  if (qEnvironmentVariableIsEmpty("DISPLAY")) {
    std::printf("ClockTiming needs an X server (DISPLAY) and xdotool\n");
    return 0;
  }
  qputenv("QT_NO_GLIB", "1");
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication application(argc, argv);
  midi::EventLog log;
  // The receiver and the RtMidi sender come first: Korvane's device list must show the receiver.
  std::unique_ptr<FrameReceiver> receiver;
  std::unique_ptr<RtMidiOut> rt;
  std::string jackPort = o.jack;
  if (o.frames) {
    const std::string name = "clocktiming" + std::to_string(getpid());
    receiver = std::make_unique<FrameReceiver>();
    if (!receiver->open(name, static_cast<std::size_t>(o.notes) + 64)) {
      std::printf("no JACK server\n");
      return 1;
    }
    rt = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "clocktiming-rtmidi");
    for (unsigned i = 0; i < rt->getPortCount(); ++i)
      if (rt->getPortName(i) == name + ":rtmidi") rt->openPort(i, "out");
    jackPort = name + ":korvane";
    std::printf("JACK period %u frames at %u Hz\n", jack_get_buffer_size(receiver->client),
                jack_get_sample_rate(receiver->client));
  }
  TimedDevices devices(log, jackPort, rt.get());
  NoDialogs dialogs;
  app::LiveWaiter waiter;
  char dir[] = "/tmp/korvane-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  const auto loaders = o.load ? loadOtherCores() : std::vector<pid_t>{};
  {
    TForm1 form(TForm1Services{devices, dialogs, waiter, std::string(dir) + "/korvane",
                               static_cast<unsigned>(time(nullptr))});
    form.show();
    runUntil([&] { return form.windowHandle() && form.windowHandle()->isExposed(); },
             std::chrono::seconds(10));
    settle(std::chrono::milliseconds(500));
    std::printf("pad %dx%d%s\n", form.PaintBox1->width(), form.PaintBox1->height(),
                o.load ? ", other cores loaded" : "");
    if (o.notes > 0) measureTiming(form, log, o, receiver.get());
    if (o.order) checkOrder(form, log);
    if (o.cpuSeconds > 0) measureCpu(form, o.cpuSeconds);
  }
  for (pid_t pid : loaders) kill(pid, SIGKILL);
  std::system((std::string("rm -rf ") + dir).c_str());
  return 0;
}

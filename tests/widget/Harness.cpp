#include "Harness.h"

#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <random>
#include <thread>

namespace test {

void showModal() {
  QDialog modal;
  QTimer::singleShot(0, &modal, &QDialog::reject);
  modal.exec();
}

TempDir::TempDir() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() / ("korvane-test-" + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
  const auto p = path_ / name;
  std::ofstream(p, std::ios::binary) << bytes;
  return p.string();
}

void RecordingWaiter::waitUntil(std::chrono::steady_clock::time_point deadline, app::Chime* chime) {
  deadlines.push_back(deadline);
  if (!sleeps) return Waiter::waitUntil(deadline, chime);
  for (auto next = chime ? chime->next() : std::nullopt; next && *next < deadline;
       next = chime->next()) {
    std::this_thread::sleep_until(*next);
    chime->ring();
  }
  std::this_thread::sleep_until(deadline);
}

void FormTest::create(unsigned seed) {
  devices = std::make_unique<midi::RecordingDevices>(log, deviceNames);
  form = std::make_unique<TForm1>(TForm1Services{
      *devices, dialogs, waiter, (dir.path() / "korvane").string(), seed, false, startDevice});
}

std::vector<std::uint32_t> FormTest::takeNotes() {
  auto out = midi::notes(*log);
  log->clear();
  return out;
}

int FormTest::resets() const {
  int n = 0;
  for (const auto& e : *log) n += e.kind == midi::Event::Reset ? 1 : 0;
  return n;
}

}  // namespace test

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // A home of this test's own (0700): the file dialogs keep their history there, not the user's.
  QTemporaryDir home;
  qputenv("HOME", home.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
  qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

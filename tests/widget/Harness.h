// TForm1 under the offscreen platform with recorders in place of MIDI, dialogs and the wait.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Services.h"
#include "app/TForm1.h"
#include "midi/Recording.h"

namespace test {

/// Dialogs answered from a script; every box is recorded.
class ScriptedDialogs : public app::Dialogs {
 public:
  struct Asked {
    app::FileDialog which;
  };
  std::deque<std::optional<std::string>> answers;  ///< next openFile results; empty: cancel
  std::vector<app::FileDialog> asked;
  std::vector<std::string> messages, errors;
  std::function<void()> whileShown;  ///< runs as each file dialog or error box is shown

  std::optional<std::string> openFile(app::FileDialog which) override {
    asked.push_back(which);
    if (whileShown) whileShown();
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
  void message(const std::string& text) override { messages.push_back(text); }
  void error(const std::string& text) override {
    errors.push_back(text);
    if (whileShown) whileShown();
  }
};

/// Shows a modal dialog and closes it at once, as a user would.
void showModal();

/// Records the waits instead of sleeping.
class RecordingWaiter : public app::Waiter {
 public:
  std::vector<long long> waits;
  /// waitUntil's deadlines; with sleeps set, that wait really passes, ringing its chime.
  std::vector<std::chrono::steady_clock::time_point> deadlines;
  bool sleeps = false;
  void wait(long long ms) override { waits.push_back(ms); }
  void waitUntil(std::chrono::steady_clock::time_point deadline, app::Chime* chime) override;
};

/// A fresh folder for the executable path, so each test has its own settings file.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  /// Writes bytes to name inside the folder; returns the full path.
  std::string write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

/// Base fixture: builds a TForm1 (without its timer) on recording devices.
class FormTest : public ::testing::Test {
 protected:
  std::shared_ptr<midi::EventLog> log = std::make_shared<midi::EventLog>();
  std::vector<std::optional<std::string>> deviceNames{std::string("Out A"), std::string("Out B")};
  std::unique_ptr<midi::RecordingDevices> devices;
  ScriptedDialogs dialogs;
  RecordingWaiter waiter;
  TempDir dir;
  std::optional<std::string> startDevice;  ///< --device
  std::unique_ptr<TForm1> form;

  /// Settings file path the form will use.
  std::string iniPath() const { return (dir.path() / "korvane.ini").string(); }
  /// Creates the form (call after adjusting deviceNames or writing a settings file).
  void create(unsigned seed = 1);
  /// Channel messages sent so far (resets' All Notes Off left out), then forgets them.
  std::vector<std::uint32_t> takeNotes();
  /// Number of port resets sent so far.
  int resets() const;
  void TearDown() override { form.reset(); }
};

}  // namespace test

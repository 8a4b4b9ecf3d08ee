// The Sync page: which source the note clock follows, MIDI clock out, and what is followed.
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <cmath>
#include <utility>

#include "app/Controls.h"
#include "app/IniFile.h"
#include "app/TForm1.h"
#include "engine/GateStep.h"
#include "engine/SyncGrid.h"
#include "sync/Jack.h"
#include "sync/Link.h"
#include "sync/MidiClock.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kSyncSection = "Sync";
// A pause this long in typing a tempo ends the entry.
constexpr auto kTempoPause = std::chrono::milliseconds(800);
// The page's choices in order, as the settings file and --sync name them.
const char* const kSourceKeys[] = {"off", "jack", "midi-clock", "link"};
enum SourceChoice { Off = 0, JackTransport = 1, MidiClockIn = 2, Link = 3 };

int choiceOf(const std::string& key) {
  for (int i = 0; i < 4; ++i)
    if (key == kSourceKeys[i]) return i;
  return Off;
}

/// A tempo for the tempo field: whole numbers without decimals, else two.
QString tempoText(double tempo) {
  const double whole = std::round(tempo);
  if (std::abs(tempo - whole) < 0.005) return QString::number(whole, 'f', 0);
  return QString::number(tempo, 'f', 2);
}

}  // namespace

void TForm1::buildSyncPage() {
  SyncSheet = new QWidget;
  SyncSheet->setObjectName("SyncSheet");
  PageControl1->addTab(SyncSheet, "Sync");
  SyncChoice = new QComboBox(SyncSheet);
  SyncChoice->setObjectName("SyncChoice");
  SyncChoice->addItems({"Off", "JACK transport", "MIDI clock", "Ableton Link"});
  auto* inputs = new app::DropDownList(SyncSheet);
  inputs->onDropDown = [this] { guarded([this] { SyncInputDropDown(); }); };
  SyncInput = inputs;
  SyncInput->setObjectName("SyncInput");
  SyncInput->setMinimumWidth(160);
  SendClock = new QCheckBox("send MIDI clock", SyncSheet);
  SendClock->setObjectName("SendClock");
  SyncStatus = new QLabel(SyncSheet);
  SyncStatus->setObjectName("SyncStatus");
  auto* row = new QHBoxLayout(SyncSheet);
  row->setContentsMargins(6, 2, 6, 2);
  row->addWidget(SyncChoice);
  row->addWidget(SyncInput);
  row->addWidget(SendClock);
  row->addWidget(SyncStatus, 1);
  connect(SyncChoice, &QComboBox::activated, this,
          [this] { guarded([this] { SyncChoiceChange(); }); });
  connect(SyncInput, &QComboBox::activated, this,
          [this] { guarded([this] { SyncChoiceChange(); }); });
  connect(SendClock, &QCheckBox::clicked, this, [this] { guarded([this] { SendClockClick(); }); });
  // With Link, a typed tempo is proposed to the session once its entry is finished: Return,
  // leaving the field, or a pause in the typing. Each keystroke would propose 1 and 14 on the way
  // to 140, which the session clamps to 20 BPM.
  tempoPause_ = new QTimer(this);
  tempoPause_->setSingleShot(true);
  tempoPause_->setInterval(kTempoPause);
  connect(tempoPause_, &QTimer::timeout, this,
          [this] { guarded([this] { proposeTypedTempo(); }); });
  connect(Edit5, &QLineEdit::textEdited, this, [this] {
    guarded([this] {
      if (!followed_ || followedTempo_) return;
      tempoTyped_ = true;
      tempoPause_->start();
    });
  });
  connect(Edit5, &QLineEdit::editingFinished, this,
          [this] { guarded([this] { proposeTypedTempo(); }); });
  SyncInput->setEnabled(false);
}

void TForm1::proposeTypedTempo() {
  tempoPause_->stop();
  // Only what was typed: leaving the field untouched keeps the session's tempo as it is.
  if (!std::exchange(tempoTyped_, false) || !followed_ || followedTempo_) return;
  if (const auto tempo = engine::sessionTempoOf(Edit5->text().toStdString()))
    followed_->proposeTempo(*tempo);
}

void TForm1::readSyncSettings() {
  const std::string stored = Ini->readString(kSyncSection, "Source", "off");
  int choice = choiceOf(services_.startSync.value_or(stored));
  std::string input =
      services_.startSync ? services_.startSyncInput : Ini->readString(kSyncSection, "Input", "");
  SyncChoice->setCurrentIndex(choice);
  SyncInput->clear();
  if (!input.empty()) SyncInput->addItem(QString::fromStdString(input));
  SyncInput->setEnabled(choice == MidiClockIn);
  const bool send = services_.startSendClock || Ini->readInteger(kSyncSection, "SendClock", 0) != 0;
  SendClock->setChecked(send);
  setSendClock(send);
  // Opening talks to JACK or the network: the window is shown first.
  if (choice != Off)
    QTimer::singleShot(0, this, [this] { guarded([this] { openChosenSource(); }); });
}

void TForm1::writeSyncSettings() {
  const int choice = SyncChoice->currentIndex();
  const bool send = SendClock->isChecked();
  // A player who keeps to Off gets the settings file without this section.
  const bool stored = !Ini->readString(kSyncSection, "Source", "").empty();
  if (!syncTouched_ || (choice == Off && !send && !stored)) return;
  Ini->writeString(kSyncSection, "Source", kSourceKeys[choice]);
  Ini->writeString(kSyncSection, "Input", SyncInput->currentText().toStdString());
  Ini->writeInteger(kSyncSection, "SendClock", send ? 1 : 0);
}

void TForm1::SyncChoiceChange() {
  syncTouched_ = true;
  SyncInput->setEnabled(SyncChoice->currentIndex() == MidiClockIn);
  if (SyncChoice->currentIndex() == MidiClockIn && SyncInput->count() == 0) SyncInputDropDown();
  openChosenSource();
  settingsChanged();
}

void TForm1::SyncInputDropDown() {
  const QString current = SyncInput->currentText();
  SyncInput->clear();
  for (const auto& name : ksync::clockInputNames())
    SyncInput->addItem(QString::fromStdString(name));
  const int at = SyncInput->findText(current);
  if (at >= 0) SyncInput->setCurrentIndex(at);
}

void TForm1::SendClockClick() {
  syncTouched_ = true;
  setSendClock(SendClock->isChecked());
  settingsChanged();
}

void TForm1::openChosenSource() {
  // The old source lets go of its inputs before a new one takes them.
  followSource(nullptr, false);
  syncProblem_.clear();
  const auto typed = engine::tempoOf(Edit5->text().toStdString());
  const double tempo = typed ? static_cast<double>(*typed) : 120;
  switch (SyncChoice->currentIndex()) {
    case JackTransport:
      if (auto source = ksync::openJackTransport(tempo))
        return followSource(std::move(source), true);
      syncProblem_ = "no JACK server";
      break;
    case MidiClockIn:
      if (auto source = ksync::MidiClock::open(SyncInput->currentText().toStdString())) {
        SyncInput->clear();
        SyncInput->addItem(QString::fromStdString(source->input()));
        return followSource(std::move(source), true);
      }
      syncProblem_ = "no such MIDI input";
      break;
    case Link:
      if (auto source = ksync::openLink(tempo)) return followSource(std::move(source), false);
      syncProblem_ = "Ableton Link is not available";
      break;
    default:
      break;
  }
  showSync();
}

void TForm1::showSync() {
  if (!SyncStatus) return;
  if (!followed_) {
    SyncStatus->setText(QString::fromStdString(syncProblem_));
    return;
  }
  const auto beat = followed_->at(Clock::now());
  const int choice = SyncChoice->currentIndex();
  QString text;
  if (!beat) {
    text = choice == MidiClockIn ? "no clock" : choice == JackTransport ? "no master" : "silent";
  } else {
    text = tempoText(beat->tempo) + " BPM, beat " +
           QString::number(std::floor(beat->beat) + 1, 'f', 0) +
           (beat->running ? ", playing" : ", stopped");
    if (auto* jack = dynamic_cast<ksync::JackTransport*>(followed_.get());
        jack && !jack->hasMaster())
      text = "no master, " + text;
    if (Edit5->text() != tempoText(beat->tempo) && (followedTempo_ || !Edit5->hasFocus()))
      Edit5->setText(tempoText(beat->tempo));
  }
  if (const int peers = followed_->peers(); peers >= 0) text += QString(", %1 peers").arg(peers);
  SyncStatus->setText(text);
}

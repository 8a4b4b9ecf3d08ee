// The main window: all of Korvane's state and every handler.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Services.h"
#include "lib/StringList.h"
#include "midi/Port.h"
#include "pad/Random.h"
#include "sync/ClockOut.h"
#include "sync/Source.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;
class QAction;
class QKeyEvent;

namespace engine {
struct TickResult;
}

namespace app {
class IniFile;
class Session;
class Panel;
class PaintBox;
class SpeedButton;
}  // namespace app

/// Everything the window is given from outside.
struct TForm1Services {
  midi::Devices& devices;
  app::Dialogs& dialogs;
  app::Waiter& waiter;
  std::string exePath;     ///< names the settings file
  unsigned int seed = 0;   ///< the random source's seed (the time in seconds)
  bool startTimer = true;  ///< widget tests drive the clock tick themselves
  /// Start-up opens the first device whose name contains it instead of the first (--device).
  std::optional<std::string> startDevice{};
  /// Under a session: the settings file it keeps, instead of the one found from exePath.
  std::optional<std::string> settingsFile{};
  app::Session* session = nullptr;  ///< the session manager taking part, or none
  /// Start-up follows this source instead of the stored one (--sync: off, jack, midi-clock or
  /// link), and for midi-clock the first input whose name contains startSyncInput.
  std::optional<std::string> startSync{};
  std::string startSyncInput{};
  bool startSendClock = false;  ///< --send-clock
};

namespace app {
/// The Windows virtual-key code of a Qt key event (numeric keypad 1 = 97, F4 = 115, …); 0 when
/// the key has none.
int virtualKey(const QKeyEvent& event);
/// A stored window width or height: below 1 (a window never shown) it is def.
int storedSize(int stored, int def);
}  // namespace app

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  /// Runs the whole start-up; throws lib::Error when it cannot complete.
  explicit TForm1(TForm1Services services);
  ~TForm1() override;

  /// Runs fn, showing any error it raises in the application error report.
  void guarded(const std::function<void()>& fn);

  // ---- controls (names of the window description) ----
  QFrame* Panel2 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* Edit1 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QFrame* Panel7 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Edit5 = nullptr;
  app::Panel* Panel1 = nullptr;
  QFrame* Panel3 = nullptr;
  app::PaintBox* PaintBox1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QFrame* Panel5 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QSlider* TrackBar1 = nullptr;
  std::vector<QPushButton*> LengthButtons;  ///< Button5 … Button12
  QCheckBox* CheckBox1 = nullptr;
  std::vector<app::SpeedButton*> SpeedButtons;  ///< SpeedButton1 … SpeedButton10, Tag = index
  QFrame* Panel4 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* Button1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPushButton* Button2 = nullptr;
  QFrame* Panel6 = nullptr;
  QLabel* Label5 = nullptr;
  QPushButton* Button3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QPushButton* Button4 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* Version1 = nullptr;
  QMenu* PopupMenu2 = nullptr;
  QAction* GateArp1 = nullptr;
  QTimer* NoteClock = nullptr;
  // ---- the Sync page (app/SyncPage.cpp), after the three designed pages ----
  QWidget* SyncSheet = nullptr;
  QComboBox* SyncChoice = nullptr;  ///< Off, JACK transport, MIDI clock, Ableton Link
  QComboBox* SyncInput = nullptr;   ///< the MIDI clock's input
  QCheckBox* SendClock = nullptr;   ///< send MIDI clock
  QLabel* SyncStatus = nullptr;     ///< what is followed: tempo, beat, peers, or its silence

  // ---- state (fields of the window; who writes and reads each is in the handlers) ----
  std::unique_ptr<midi::Port> MidiOut;
  std::vector<int> DeviceIds;  ///< ComboBox1 position → device identifier
  int MsgStatus = 0;
  int MsgNote = 0;
  int MsgVelocity = 0;
  int Channel = 0;
  bool PadDown = false;
  bool ArpDown = false;
  int RowVelocity = 0;
  int PointerX = 0;
  int PointerY = 0;
  int LastNote = 0;
  int LastVelocity = 0;
  bool PointerIn = false;
  std::unique_ptr<lib::StringList> KeyList;
  std::unique_ptr<lib::StringList> NoteNames;
  std::unique_ptr<lib::StringList> VolumeList;
  std::unique_ptr<lib::StringList> GateFiles;
  std::unique_ptr<lib::StringList> GatePattern;
  int GateStep = 0;
  bool SlotRightDown = false;
  std::unique_ptr<app::IniFile> Ini;
  pad::Random Rand;

  // ---- handlers: window (app/) ----
  void FormResize();
  void FormDestroy();
  void Version1Click();
  // ---- handlers: MIDI (app/MidiHandlers.cpp) ----
  void ComboBox1Change();
  void ComboBox1DropDown();
  void ComboBox2Change();
  void FormKeyUp(int key);
  void Panel1MouseLeave();
  void Panic();
  /// A sound server went away (posted from its thread): relists, and when the open device went
  /// with it, plays into nothing, says so once and waits for the device to come back.
  void ServerLost();
  // ---- handlers: pad (app/PadHandlers.cpp, app/TableHandlers.cpp) ----
  void Button1Click();
  void Button3Click();
  void Button2Click();
  void Button4Click();
  void PaintBox1Paint();
  void PaintBox1MouseEnter();
  void PaintBox1MouseLeave();
  void PaintBox1MouseMove(int x, int y);
  void PaintBox1MouseDown(Qt::MouseButton button, int x, int y);
  void PaintBox1MouseUp(Qt::MouseButton button, int x, int y);
  // ---- handlers: note clock, Length, gate slots (app/Clock-, Length-, GateHandlers.cpp) ----
  void NoteClockTick(int timerId = 0);
  void Edit3Change(QLineEdit* sender);
  void TrackBar1Change();
  void Button5Click(QPushButton* sender);
  void SpeedButton1Click(int tag);
  void SpeedButton1MouseDown(int tag, Qt::MouseButton button);
  void SpeedButton1MouseUp(int tag, Qt::MouseButton button);
  void SpeedButton1MouseLeave(int tag);
  void GateArp1Click();

  // ---- followed tempo and MIDI clock out (app/SyncHandlers.cpp, app/SyncPage.cpp) ----
  /// Follows source from now on (null: none, the tempo field's own tempo). showsTempo: the
  /// tempo field shows the followed tempo and takes no typing.
  void followSource(std::unique_ptr<ksync::Source> source, bool showsTempo);
  ksync::Source* followed() const { return followed_.get(); }
  /// Starts or stops sending MIDI clock on the open port.
  void setSendClock(bool on);
  void SyncChoiceChange();
  void SyncInputDropDown();
  void SendClockClick();
  /// The status line and the followed tempo in the tempo field.
  void showSync();
  void proposeTypedTempo();

  // ---- start-up and shutdown steps of the subsystems ----
  void
  openMidiAtStartup();    ///< fill ComboBox1, select the first entry, open (app/MidiHandlers.cpp)
  void readGateSlots();   ///< GateFiles, slot captions, GatePattern (app/GateHandlers.cpp)
  void writeGateSlots();  ///< the ten GateArp keys (app/GateHandlers.cpp)
  void buildDefaultTables();  ///< KeyList, VolumeList, NoteNames defaults (app/TableHandlers.cpp)

  /// The window's outer placement as the settings file stores it.
  QRect outerGeometry() const;
  /// Path of the settings file in use.
  std::string settingsPath() const;

  // ---- under a session manager (app/SessionHandlers.cpp) ----
  /// Writes what the settings file holds, as shutdown does, and keeps running; the error's
  /// text, empty when written.
  std::string saveSettings();
  /// Shows or hides the window; hiding ends a held note (the port stays open).
  void showForSession(bool show);
  /// Whatever the settings file holds may have changed: the session learns whether it differs
  /// from what was saved. Nothing happens outside a session.
  void settingsChanged();
  /// Ends Korvane now (SIGTERM): the event loop ends, shutdown runs without waiting for anyone.
  void terminate();

  midi::Devices& devices() { return services_.devices; }
  app::Dialogs& dialogs() { return services_.dialogs; }
  app::Waiter& waiter() { return services_.waiter; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void buildControls();  ///< makes the window's controls from its tables (app/Layout.cpp)
  void takeControls(const std::map<std::string, QWidget*>& named);
  void buildMenus(const std::map<std::string, QWidget*>& named);
  void bindHandlers(const std::map<std::string, QWidget*>& named);
  void bindPointerHandlers();
  void fillDeviceList();  ///< ComboBox1 and DeviceIds from devices() (app/MidiHandlers.cpp)
  /// Fills ComboBox1 again, keeping the open device selected by name (app/MidiHandlers.cpp).
  void relistDevices();
  /// Selects and opens the device start-up opens; with final unset, opens nothing while that
  /// device is not listed yet (app/MidiHandlers.cpp).
  void openStartDevice(bool final);
  /// Lists the slow backends' devices too, in the background, once the window is shown.
  void completeDeviceList();
  /// Has ServerLost called on the window's thread whenever a sound server goes away.
  void watchDeviceServers();
  /// Opens the lost device again once the list has it (app/MidiHandlers.cpp).
  void reopenLostDevice();
  void listCompleted();  ///< every device is listed: a session's open is complete
  void layoutBands();
  void applyPlacement(int top, int left, int width, int height);
  void fitFrameOnce();
  void writeSettings(QRect outer);    ///< the gate slots and the placement, then the one write
  std::string settingsState() const;  ///< what the settings file would hold now, as one text

  // ---- note clock (app/ClockHandlers.cpp) ----
  void clockWait(std::chrono::steady_clock::time_point from, long long ms);
  void endLongNote();
  void restClock();
  void wakeClock();
  std::string clockCaption_;   ///< caption the clock set last: set again only on change
  bool clockResting_ = false;  ///< timer stopped: off the pad, or nothing new under it
  bool clockWaiting_ = false;  ///< a tick is waiting out a note: no tick may start
  /// End of the last played note's wait: the next tick's moment; empty after an idle tick.
  std::optional<std::chrono::steady_clock::time_point> clockDue_;
  bool closeRequested_ = false;  ///< the window is closing: ticks do nothing

  // ---- followed grid and MIDI clock out (app/SyncHandlers.cpp, app/SyncPage.cpp) ----
  void gridTick(const engine::TickResult& tick);
  void gridStrike(const engine::TickResult& tick, std::chrono::steady_clock::time_point at);
  void gridWait(std::chrono::steady_clock::time_point deadline);
  void holdClock(const std::function<void()>& wait);
  void sendPulses();
  void pulseTimerTick();
  void clockOutPress();
  void clockOutRelease();
  void buildSyncPage();
  void readSyncSettings();
  void writeSyncSettings();
  void openChosenSource();
  std::unique_ptr<ksync::Source> followed_;
  bool followedTempo_ = false;  ///< the tempo field shows the followed tempo
  std::string ownTempo_;        ///< the tempo field's own text while it shows the followed one
  /// Moment the pending strike is sent for (its grid point less the port's lead), its beat.
  std::optional<std::chrono::steady_clock::time_point> gridNext_;
  double gridNextBeat_ = 0;
  /// When the sounding note ends at its length: the moment a held clock ends it.
  std::optional<std::chrono::steady_clock::time_point> noteEnd_;
  std::unique_ptr<ksync::ClockOut> clockOut_;
  std::unique_ptr<app::Chime> pulseChime_;
  QTimer* pulseTimer_ = nullptr;
  QTimer* syncTimer_ = nullptr;   ///< the status line, while a source is followed
  QTimer* tempoPause_ = nullptr;  ///< a pause in typing a tempo for Link ends the entry
  bool tempoTyped_ = false;       ///< the tempo field was typed into since the last proposal
  bool syncTouched_ = false;      ///< the page was changed: its choice is written at the end
  std::string syncProblem_;       ///< why the chosen source is not followed, for the status line

  TForm1Services services_;
  QRect wantedOuter_;
  QRect lastOuter_;
  bool frameFitted_ = false;
  bool destroyed_ = false;
  bool startPending_ = false;    ///< start-up has not found the device it opens yet
  bool listCompleting_ = false;  ///< the slow backends are being (or have been) listed
  std::string lostDevice_;       ///< name of the open device a stopped server took; reopened
  QTimer* lostPoll_ = nullptr;   ///< lists the devices again while lostDevice_ is away
  bool tellingLoss_ = false;     ///< the box about a stopped server is showing
  bool terminating_ = false;     ///< terminate() was called: a close really closes
  bool sessionReady_ = false;    ///< the session was told the open is complete
  std::string savedState_;       ///< settingsState() when last read or written
};

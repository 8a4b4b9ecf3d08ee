#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "app/Language.h"

namespace app {
namespace {

// Read by the MIDI layer; --help lists them because nothing else on screen does.
const char* const kEnvironment = QT_TRANSLATE_NOOP(
    "CommandLine",
    "\nEnvironment:\n"
    "  KORVANE_SOUNDFONT     SoundFont of the built-in synthesizer (default: the system's\n"
    "                        General MIDI SoundFont in /usr/share/sounds/sf2)\n"
    "  KORVANE_SYNTH_DRIVER  the synthesizer's one audio output (pipewire, jack, pulseaudio, "
    "alsa, file, none)\n"
    "  KORVANE_SYNTH_FILE    output file of the \"file\" output (default: korvane.wav)\n"
    "  KORVANE_AUDIO_QUANTUM frames per audio buffer asked for (default: 128)\n"
    "  KORVANE_SYNTH_PPM     the \"file\" output's device clock, parts per million fast\n"
    "  KORVANE_MIDI_LOG      when set, the MIDI layer reports its devices on standard error\n"
    "  NSM_URL               the session manager to take part in (set by it)\n");

QString translated(const char* text) {
  return QCoreApplication::translate("CommandLine", text);
}

CommandLine usageError(const QString& message) {
  CommandLine result;
  result.exitStatus = 2;
  result.err =
      "korvane: " + message.toStdString() + "\nTry 'korvane --help' for more information.\n";
  return result;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      translated(QT_TRANSLATE_NOOP("CommandLine", "Korvane, a MIDI pad instrument.")));
  const QCommandLineOption help(
      QStringList{"h", "help"},
      translated(QT_TRANSLATE_NOOP("CommandLine", "Show this help and exit.")));
  const QCommandLineOption version(
      "version", translated(QT_TRANSLATE_NOOP("CommandLine", "Show the version and exit.")));
  const QCommandLineOption list(
      "list-devices",
      translated(QT_TRANSLATE_NOOP("CommandLine",
                                   "Print the MIDI output devices, one per line, and exit.")));
  const QCommandLineOption device(
      "device",
      translated(QT_TRANSLATE_NOOP(
          "CommandLine", "Open the first output device whose name contains TEXT at start-up.")),
      "TEXT");
  const QCommandLineOption lang(
      "lang",
      translated(QT_TRANSLATE_NOOP(
          "CommandLine", "Show the window in Japanese (ja) or English (en) whatever the locale.")),
      "ja|en");
  const QCommandLineOption sync(
      "sync",
      translated(QT_TRANSLATE_NOOP(
          "CommandLine",
          "Follow the tempo and beat of SOURCE: off, jack (JACK transport), midi-clock[=TEXT] "
          "(MIDI "
          "clock from the first input whose name contains TEXT), link (Ableton Link).")),
      "SOURCE");
  const QCommandLineOption sendClock(
      "send-clock",
      translated(QT_TRANSLATE_NOOP("CommandLine", "Send MIDI clock on the open output device.")));
  parser.addOptions({help, version, list, device, lang, sync, sendClock});
  if (!parser.parse(arguments)) return usageError(parser.errorText());
  if (!parser.positionalArguments().isEmpty())
    return usageError("Unexpected argument '" + parser.positionalArguments().first() + "'.");
  if (parser.isSet(lang) && !languageOption(parser.value(lang).toStdString()))
    return usageError("--lang takes ja or en, not '" + parser.value(lang) + "'.");

  CommandLine result;
  if (parser.isSet(help)) {
    result.exitStatus = 0;
    result.out = parser.helpText().toStdString() + translated(kEnvironment).toStdString();
  } else if (parser.isSet(version)) {
    result.exitStatus = 0;
    result.out = "Korvane " KORVANE_VERSION "\n";
  }
  result.listDevices = parser.isSet(list);
  if (parser.isSet(device)) result.device = parser.value(device).toStdString();
  if (parser.isSet(lang)) result.lang = parser.value(lang).toStdString();
  if (parser.isSet(sync)) {
    const std::string value = parser.value(sync).toStdString();
    const std::string clock = "midi-clock";
    if (value == "off" || value == "jack" || value == "link" || value == clock) {
      result.sync = value;
    } else if (value.rfind(clock + "=", 0) == 0) {
      result.sync = clock;
      result.syncInput = value.substr(clock.size() + 1);
    } else {
      return usageError("Unknown source in '--sync=" + parser.value(sync) +
                        "' (off, jack, midi-clock[=TEXT], link).");
    }
  }
  result.sendClock = parser.isSet(sendClock);
  return result;
}

void printDevices(midi::Devices& devices, std::ostream& out) {
  const int n = devices.count();
  for (int id = 0; id < n; ++id)
    if (auto name = devices.name(id)) out << *name << '\n';
  out.flush();
}

std::optional<int> findDevice(midi::Devices& devices, const std::string& text) {
  const int n = devices.count();
  for (int id = 0; id < n; ++id)
    if (auto name = devices.name(id); name && name->find(text) != std::string::npos) return id;
  return std::nullopt;
}

}  // namespace app

#include "app/CommandLine.h"

#include <QCommandLineParser>

namespace app {
namespace {

// Read by the MIDI layer; --help lists them because nothing else on screen does.
const char* const kEnvironment =
    "\nEnvironment:\n"
    "  KORVANE_SOUNDFONT     SoundFont of the built-in synthesizer (default: the system's\n"
    "                        General MIDI SoundFont in /usr/share/sounds/sf2)\n"
    "  KORVANE_SYNTH_DRIVER  FluidSynth audio driver (pipewire, pulseaudio, alsa, jack, file, "
    "none)\n"
    "  KORVANE_SYNTH_FILE    output file of the \"file\" driver (default: korvane.wav)\n"
    "  KORVANE_MIDI_LOG      when set, the MIDI layer reports its devices on standard error\n";

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
  parser.setApplicationDescription("Korvane, a MIDI pad instrument.");
  const QCommandLineOption help(QStringList{"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version("version", "Show the version and exit.");
  const QCommandLineOption list("list-devices",
                                "Print the MIDI output devices, one per line, and exit.");
  const QCommandLineOption device(
      "device", "Open the first output device whose name contains TEXT at start-up.", "TEXT");
  const QCommandLineOption sync(
      "sync",
      "Follow the tempo and beat of SOURCE: off, jack (JACK transport), midi-clock[=TEXT] (MIDI "
      "clock from the first input whose name contains TEXT), link (Ableton Link).",
      "SOURCE");
  const QCommandLineOption sendClock("send-clock", "Send MIDI clock on the open output device.");
  parser.addOptions({help, version, list, device, sync, sendClock});
  if (!parser.parse(arguments)) return usageError(parser.errorText());
  if (!parser.positionalArguments().isEmpty())
    return usageError("Unexpected argument '" + parser.positionalArguments().first() + "'.");

  CommandLine result;
  if (parser.isSet(help)) {
    result.exitStatus = 0;
    result.out = parser.helpText().toStdString() + kEnvironment;
  } else if (parser.isSet(version)) {
    result.exitStatus = 0;
    result.out = "Korvane " KORVANE_VERSION "\n";
  }
  result.listDevices = parser.isSet(list);
  if (parser.isSet(device)) result.device = parser.value(device).toStdString();
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

#include "app/CommandLine.h"

#include <QCommandLineParser>

namespace app {
namespace {

// Read by the MIDI layer; --help lists them because nothing else on screen does.
const char* const kEnvironment =
    "\nEnvironment:\n"
    "  KORVANE_SOUNDFONT     SoundFont of the built-in synthesizer (default: the system's\n"
    "                        General MIDI SoundFont in /usr/share/sounds/sf2)\n"
    "  KORVANE_SYNTH_DRIVER  the synthesizer's one audio output (pipewire, jack, pulseaudio, "
    "alsa, file, none)\n"
    "  KORVANE_SYNTH_FILE    output file of the \"file\" output (default: korvane.wav)\n"
    "  KORVANE_AUDIO_QUANTUM frames per audio buffer asked for (default: 256)\n"
    "  KORVANE_SYNTH_PPM     the \"file\" output's device clock, parts per million fast\n"
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
  parser.addOptions({help, version, list, device});
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

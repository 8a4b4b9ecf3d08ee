// Korvane's command line: --help, --version, --list-devices, --device TEXT, --sync SOURCE,
// --send-clock.
#pragma once

#include <QStringList>
#include <optional>
#include <ostream>
#include <string>

#include "midi/Port.h"

namespace app {

/// What the command line asks for, and what to print before acting on it.
struct CommandLine {
  std::optional<int> exitStatus;      ///< set: print out/err, then leave with this status
  std::string out;                    ///< text for standard output (help, version)
  std::string err;                    ///< text for standard error (a usage error)
  bool listDevices = false;           ///< print the output devices and leave
  std::optional<std::string> device;  ///< open the first device whose name contains this
  std::optional<std::string> sync;    ///< --sync: off, jack, midi-clock or link
  std::string syncInput;              ///< --sync midi-clock=TEXT: the input's name contains it
  bool sendClock = false;             ///< --send-clock
};

/// Parses arguments (the program's path first). An unknown option, a missing value or a stray
/// argument gives exit status 2 with a message in err; --help and --version give status 0.
/// Needs a QCoreApplication (the help text names the program from it).
CommandLine parseCommandLine(const QStringList& arguments);

/// Writes every nameable output device, one per line, in list order (as ComboBox1 lists them).
void printDevices(midi::Devices& devices, std::ostream& out);

/// Id of the first nameable device whose name contains text (bytes, case as given); nullopt
/// when none does.
std::optional<int> findDevice(midi::Devices& devices, const std::string& text);

}  // namespace app

// The ten gate pattern slots: loading patterns and the slot click.
#include "engine/GateSlots.h"

#include "lib/Convert.h"
#include "lib/Error.h"
#include "pad/Limits.h"

namespace engine {

std::string gateSlotKey(int slot) {
  return "GateArp" + lib::IntToStr(slot);
}

void setDefaultGatePattern(lib::StringList& pattern) {
  pattern.assign({"480", "480", "480", "480"});
}

void loadGatePattern(lib::StringList& pattern, const std::string& path) {
  pattern.loadFromFile(path, pad::kMaxTableEntries);
}

void loadStartupPattern(const lib::StringList& files, lib::StringList& pattern) {
  const std::string& path = files.get(0);
  if (!path.empty()) {
    try {
      loadGatePattern(pattern, path);
      return;
    } catch (const lib::FileError&) {
      // A missing or unreadable file must not stop the program from starting.
    }
  }
  setDefaultGatePattern(pattern);
}

bool clickGateSlot(int slot, bool rightHeld, lib::StringList& files, lib::StringList& pattern,
                   const AskPatternFile& ask) {
  const std::string path = files.get(slot);
  pattern.clear();
  if (!rightHeld && !path.empty()) {
    try {
      loadGatePattern(pattern, path);
      return true;
    } catch (const lib::FileError&) {
      // An unreadable slot file is treated like an empty slot: the dialog asks for another.
    }
  }
  const std::optional<std::string> chosen = ask();
  if (!chosen) {
    setDefaultGatePattern(pattern);
    return false;
  }
  loadGatePattern(pattern, *chosen);
  files.set(slot, *chosen);
  return true;
}

std::string gateFileListText(const lib::StringList& files) {
  std::string text;
  for (const std::string& path : files.items()) text += path + "\n";
  return text;
}

bool storableSlotPath(const std::string& path) {
  return path.find_first_of("\r\n") == std::string::npos;
}

}  // namespace engine

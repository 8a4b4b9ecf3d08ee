// The ten gate pattern slots: loading patterns and the slot click, free of the window.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "lib/StringList.h"

namespace engine {

inline constexpr int kGateSlotCount = 10;

/// Settings key of slot 0–9: "GateArp" followed by the slot number.
std::string gateSlotKey(int slot);

/// Empties pattern and fills it with four quarter notes ("480" ×4).
void setDefaultGatePattern(lib::StringList& pattern);

/// Replaces pattern with the file's lines (one step each, not checked here); throws
/// lib::FileError "ファイル %s は開けません。 %s " and leaves pattern unchanged on failure.
void loadGatePattern(lib::StringList& pattern, const std::string& path);

/// Start-up: slot 0's file, or the default pattern when slot 0 has none or its file cannot be
/// read (silently: the slot keeps its path). Never throws for a file.
void loadStartupPattern(const lib::StringList& files, lib::StringList& pattern);

/// Shows the pattern file dialog: the chosen full path, or nullopt when cancelled.
using AskPatternFile = std::function<std::optional<std::string>()>;

/// The slot click for slot 0–9. Empties pattern first; loads the slot's file unless the slot is
/// empty, rightHeld is set or the load fails, and then asks for a file: cancel gives the default
/// pattern, a confirmed file is loaded and stored in files. Returns true when a file was loaded
/// (the slot shows "♪"). A confirmed file that fails to load throws lib::FileError with pattern
/// left empty and files unchanged.
bool clickGateSlot(int slot, bool rightHeld, lib::StringList& files, lib::StringList& pattern,
                   const AskPatternFile& ask);

/// The ten slot paths, each followed by a line break (an empty slot gives an empty line).
std::string gateFileListText(const lib::StringList& files);

/// Whether a path can be stored as a settings value: a line break would split the entry and
/// inject lines into the file.
bool storableSlotPath(const std::string& path);

}  // namespace engine

// Replacing a file's whole content atomically, as the settings file is written.
#pragma once

#include <string>

namespace app {

/// Replaces the content of path with bytes, or leaves it as it was: written to a temporary
/// file in its folder, synced, then renamed over it. Temporary files left by killed writers
/// are removed first.
/// False when it cannot be done.
bool replaceFile(const std::string& path, const std::string& bytes);

}  // namespace app

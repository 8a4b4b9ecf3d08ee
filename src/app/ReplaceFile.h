// Replacing a file's whole content atomically, as the settings file is written.
#pragma once

#include <string>

namespace app {

/// The file path finally names: symbolic links followed (up to 40), relative ones from their
/// own folder. A link to nothing gives the path it points to; a loop gives the last link.
std::string linkTarget(const std::string& path);

/// Replaces the content of path (a linked path: of its target) with bytes, or leaves it as it
/// was: written to a temporary file in the target's folder, synced, then renamed over it. The
/// file keeps its mode and owner. Temporary files left by killed writers are removed first.
/// 0 when done, else the errno of the call that failed.
int replaceFile(const std::string& path, const std::string& bytes);

}  // namespace app

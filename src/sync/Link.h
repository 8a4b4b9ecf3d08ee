// Ableton Link as a followed source.
#pragma once

#include <memory>

#include "sync/Source.h"

namespace ksync {

/// Joins the Link session on the local network, adopting the session's tempo (tempo is used
/// only when Korvane is alone); null when Link is not available in this build.
std::unique_ptr<Source> openLink(double tempo);

}  // namespace ksync

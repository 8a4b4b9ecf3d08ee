// Ableton Link as a followed source.
#pragma once

#include <memory>

#include "sync/Source.h"

namespace ksync {

/// Joins the Link session on the local network (start/stop shared): at() answers the session's
/// tempo, its beat for a bar of 4 and whether it plays; proposeTempo() changes the session's
/// tempo. tempo (quarter notes per minute) is the session's only until a peer is found: joining
/// takes the peers' tempo and beat. Never null; leaves the session when destroyed.
std::unique_ptr<Source> openLink(double tempo);

}  // namespace ksync

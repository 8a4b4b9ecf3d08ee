// SIGINT and SIGTERM end Korvane at once, so a logout, Ctrl+C or a session manager never waits.
#pragma once

#include <functional>

class QObject;

namespace app {

/// From now on SIGINT and SIGTERM run act in context's thread (from its event loop).
void onTerminationSignals(QObject* context, std::function<void()> act);

}  // namespace app

// SIGINT and SIGTERM as a close request, so the settings are written on logout or Ctrl+C.
#pragma once

class QWidget;

namespace app {

/// From now on SIGINT and SIGTERM close window the way its close button does.
void closeOnTerminationSignals(QWidget* window);

}  // namespace app

// Fitting into a Linux desktop: the display platform, Qt's own texts and the window icon.
#pragma once

class QCoreApplication;

namespace app {

/// On a Wayland session with an X server too, asks Qt for XWayland (staying on top and window
/// placement need X). Leaves a QT_QPA_PLATFORM the user set alone. Call before QApplication.
void preferXWayland();

/// Loads Qt's Japanese texts (dialogs, edit menus) so they match the window's. Does nothing
/// when the translations are not installed.
void installQtJapanese(QCoreApplication& application);

/// Sets the window icon from the icons built into the program.
void setKorvaneIcon();

}  // namespace app

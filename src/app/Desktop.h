// Fitting into a Linux desktop: the display platform and the window icon.
#pragma once

namespace app {

/// On a Wayland session with an X server too, asks Qt for XWayland (staying on top and window
/// placement need X). Leaves a QT_QPA_PLATFORM the user set alone. Call before QApplication.
void preferXWayland();

/// Sets the window icon from the icons built into the program.
void setKorvaneIcon();

}  // namespace app

// The calling program's own windows, as seen from inside the library: its
// application window, and bringing its active pop-up (a progress or modal
// dialog of the host) back to the user after another program had the screen.
#pragma once

#include "platform/desktop.h"

namespace quillet {

// The application window of the program that loaded the library: its first
// top-level window in the desktop's order that is visible and has no owner.
// NoWindow when it has none (a console program; always on Linux).
os::WindowHandle HostApplicationWindow();

// When the host has an application window whose last active pop-up is
// another window, visible and enabled, that pop-up becomes the foreground
// window. Otherwise nothing happens.
void BringHostPopupForward();

}  // namespace quillet

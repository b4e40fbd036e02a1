// Closing the dialogs still open when the program ends.
#pragma once

#include <windows.h>

namespace CAppObjects {

// Closes the About and the update dialog, then every dialog ("#32770") owned by the main
// window on its thread, each by ever stronger means, logging how each one went.
// Returns the number of owned dialogs found.
int CloseOpenDialogs();
// The same for another main window (tests).
int CloseOpenDialogsOf(HWND mainWindow);

}  // namespace CAppObjects

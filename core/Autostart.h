// Autostart: the value "Vexlora" under HKCU "Software\Microsoft\Windows\CurrentVersion\Run".
#pragma once

#include "core/base/Handles.h"

namespace CAppObjects {

// On: the executable's path, a blank and "/autoload". Off deletes the value. True when done.
bool SetAutostart(bool on);
// True when the value names this executable.
bool IsAutostartSet();
// Writes the value after 1000 ms unless the program ends first (thread result 1) or it
// runs from a removable or network drive (2); 0 when it wrote. True when the thread
// started; `thread`, when given, receives its handle.
bool StartAutostartWriterThread(CHandle* thread = nullptr);

}  // namespace CAppObjects

// Telling running programs of the system to stop, through named events that they
// created and watch.
#pragma once

#include <windows.h>

// Opens the event for EVENT_MODIFY_STATE, sets it and closes it. False when the event
// does not exist (nobody is watching it) or cannot be set.
bool OpenAndSetNamedEvent(const wchar_t* name);

// Sets the main program's session exit event and its all-sessions exit event. The
// result is the exit tool's exit code: 0 both were set, 1 one of them, 2 none.
int SignalMainProgramExit();

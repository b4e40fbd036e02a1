// The waiter: started by the main program with its process id, it waits until that
// process ends (or until another start with "/exit" stops it) and then posts an empty
// message to every top-level window, so that each process still holding the main
// program's hook library gets a message and lets the library go.
#pragma once

#include <windows.h>

// Kept by the running waiter: a second waiter finds it and leaves.
extern const wchar_t kWaiterInstanceEventName[];
// Created by the running waiter, set by a start with "/exit".
extern const wchar_t kWaiterExitEventName[];

// Exit codes besides the wait results (ExeWaiter.h).
const int kWaiterExitStopRequested = 0;  // "/exit" was passed on, whether or not a waiter ran
const int kWaiterExitAlreadyRunning = 1;
const int kWaiterExitNoProcessId = 3;

// The whole program from its command line to its exit code.
int RunWaiterProgram(const wchar_t* commandLine);

// BroadcastSystemMessage of user32, bound at run time: posts the message to every
// top-level window. -1 when the library or the function is missing.
long BroadcastPostToAllComponents(UINT message, WPARAM wParam, LPARAM lParam);

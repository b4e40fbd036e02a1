// The one road from the program to the notification area. Every Shell_NotifyIconW call
// goes through an ITrayShell, so that tests can read what would have been sent.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The record size that every Windows from XP on accepts for the fields the program
// fills (up to the balloon flags and the item GUID). mingw's sizeof(NOTIFYICONDATAW)
// grows with the targeted Windows version and would be refused by older shells.
const DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V3_SIZE;

class ITrayShell {
public:
    virtual ~ITrayShell() = default;
    // Shell_NotifyIconW(message, record).
    virtual BOOL Notify(DWORD message, NOTIFYICONDATAW* record) = 0;
};

// The system's shell; one object for the life of the process, so that worker threads
// may keep it.
ITrayShell& GetSystemTrayShell();

// Sends the record the way the program always does: the size set to
// kNotifyIconDataSize, the tip, info and info-title fields ended within their arrays,
// NIIF_NOSOUND added to the info flags when the setting SoundOnEventsV094 is off, and
// the call guarded against structured exceptions (logged; the result is then FALSE).
BOOL Shell_Notify(ITrayShell& shell, DWORD message, NOTIFYICONDATAW& record);

// The main program's event sounds: short sound files in the program folder, played on
// ten kinds of events. A caller never waits for a sound: it stores the id it wants in
// one process-wide slot and wakes the sound thread, which plays whatever id is in the
// slot when it looks (the last request wins; a new sound cuts the previous one short).
//
// Sounds play only while the setting SoundOnEventsV094 is on and the process is not
// muted. Muting also asks the sound-utility library "RIZedarOred.dll" in the program
// folder to mute the process's audio; without that library the program's own flag
// still keeps every sound of this file silent.
#pragma once

#include <windows.h>

#include <array>

#include "core/base/CString.h"

// Sound ids: the index into the table of sound files.
const LONG kSoundKbd = 0;           // "kbd.wav": a phrase text was pasted
const LONG kSoundLaunch = 1;        // "launch.wav": a command phrase was run
const LONG kSoundPaper = 2;         // "paper.wav": the clipboard history took or gave an item
const LONG kSoundMenu = 3;          // "menu.wav": the phrase menu is about to open
const LONG kSoundStart = 4;         // "start.wav": started without administrator rights
const LONG kSoundStartAsAdmin = 5;  // "start_as_admin.wav": started with administrator rights
const LONG kSoundAlreadyWork = 6;   // "already_work.wav": a second start was reported
const LONG kSoundWherePane = 7;     // "wherepane.wav": the float pane shows where it is
const LONG kSoundVersionNew = 8;    // "version_new.wav": an update check found a newer version
const LONG kSoundVersionNewNo = 9;  // "version_new_no.wav": an update check found none
const LONG kSoundCount = 10;

// The file name of a sound id; null outside 0..9.
const wchar_t* GetSoundFileName(LONG id);

// Full paths of the ten sound files in the program folder, by id.
using CSoundTable = std::array<CString, kSoundCount>;
CSoundTable BuildSoundTable();

// ---------------------------------------------------------------------------------------
// The sound thread

// Creates the request event and the sound thread, which runs until the stop event is
// set (the application exit event). True when both exist; false when the stop event is
// missing or a sound thread still runs.
bool StartSoundThread(HANDLE stopEvent);
// Waits until the sound thread has ended after its stop event was set; true when no
// sound thread runs any more.
bool WaitForSoundThreadEnd(DWORD timeoutMs);

// Stores the id in the request slot and wakes the sound thread; always true. Without a
// sound thread the id is only stored.
bool RequestSound(LONG id);
bool PlaySoundKbd();
bool PlaySoundLaunch();
bool PlaySoundPaper();
bool PlaySoundMenu();
// The start sound of the process's rights: kSoundStartAsAdmin when it runs as
// administrator, else kSoundStart.
bool PlaySoundStart();
bool PlaySoundAlreadyWork();
bool PlaySoundWherePane();
// kSoundVersionNew when a newer version was found, else kSoundVersionNewNo.
bool PlaySoundVersion(bool newVersionFound);

// What the sound thread does each time it is woken: when sounds are enabled, plays the
// file of the id in the request slot asynchronously. An id outside 0..9 and a sound
// file that is missing are logged. True when a file was played. Tests call it on their
// own thread to see one request handled without the sound thread.
bool PlayRequestedSound(const CSoundTable& table);

// ---------------------------------------------------------------------------------------
// Playing

// False while the process is muted; otherwise the setting SoundOnEventsV094.
bool AreSoundsEnabled();
bool IsSoundMuted();

// When on, every file or alias sound first stops the sound that is playing. The tray
// window turns it on.
void SetStopSoundBeforePlay(bool on);

// Plays the file `repeatCount` times (SND_FILENAME, plus SND_ASYNC when asynchronous).
// True when at least one play succeeded; false for a count of 0 and while muted.
bool PlaySoundFile(const wchar_t* path, int repeatCount, bool async);
// Plays a system sound by alias (SND_ALIAS), or by alias id (SND_ALIAS_ID: the id cast
// to the pointer). False while muted.
bool PlaySoundAlias(const wchar_t* alias, bool async, bool aliasIsId);
// Event system sounds, each only when sounds are enabled: the alias "SystemNotification"
// played asynchronously, and the plain beep (MessageBeep(-1)) after stopping the sound
// that is playing.
bool PlaySystemNotificationSound();
bool PlayBeepSound();

// ---------------------------------------------------------------------------------------
// The process mute

namespace RIZedarOred_DLL_Support {

// Stores the process-wide mute flag (non-zero mutes), asks the sound library to mute or
// unmute the process's audio and logs its answer. Returns the library's answer: 0 when
// the library or its export is missing, or when it could not do it.
int SU2_SetMute_Current_Process(int flag);

// Loads "RIZedarOred.dll" from the program folder, calls its SU2_SetMute_Current_Process
// with the flag and frees it again; 0 when the library or the export is missing. With
// initializeCom the calling thread's COM is initialised around the call.
int Call_SU2_SetMute_Current_Process(int flag, bool initializeCom);

}  // namespace RIZedarOred_DLL_Support

// ---------------------------------------------------------------------------------------
// Test seam

// Where sounds go: the system's PlaySoundW and MessageBeep. Wine has no sound device and
// its asynchronous PlaySoundW succeeds even for a missing file, so tests put a recorder
// in its place.
class ISoundOutput {
public:
    virtual ~ISoundOutput() = default;
    // PlaySoundW(sound, no module, flags); a null sound with flags 0 stops the sound
    // that is playing.
    virtual BOOL Play(const wchar_t* sound, DWORD flags) = 0;
    virtual BOOL Beep(UINT type) = 0;
};

// Puts another output in place (null: the system's again) and returns the previous one.
ISoundOutput* SetSoundOutputForTest(ISoundOutput* output);

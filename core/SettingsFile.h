// Where "Settings.ini" lives and the few keys that are read and written outside the
// settings object: the UI language, the log switch and the welcome program's mark.
//
// The file lies beside the executable when that folder can be written (or when the
// program runs from a removable or network drive), else in the folder "Vexlora" of
// the user's profile. The choice is made anew on every call, so a file that becomes
// read-only moves later writes to the profile file.
//
// Both files are created with the UTF-16LE byte-order mark: the profile functions keep
// a file without it as ANSI, and every character outside the code page (a phrases
// folder, a user name, a language file name) would come back as "?".
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/IniFile.h"

// ---------------------------------------------------------------------------------------
// Names

const wchar_t* GetSettingsFileName();          // "Settings.ini"
const wchar_t* GetSettingsSectionName();       // "Settings"
const wchar_t* GetSettingsAgentSectionName();  // "Settings_Agent": window positions
const wchar_t* GetBookkeepingSectionName();    // "A_SETTINGS"
const wchar_t* GetWriteLogKeyName();           // "WriteLog"

// ---------------------------------------------------------------------------------------
// The files

// Full path of the settings file to write (and to read the keys of this header from).
CString GetSettingsFilePath();
// The program-folder file; created (with the byte-order mark) when it is missing.
CString GetProgramFolderSettingsPath();
// The profile file; with create, the per-user data folder is created when missing
// (not for a program on a removable drive, which keeps nothing in the profile).
CString GetProfileSettingsPath(bool create);
// The per-user data folder: the profile folder followed by "\Vexlora", no trailing "\".
CString GetPerUserDataFolder();
// Creates the file with the byte-order mark FF FE when none exists; true when the file
// exists on return. Failures are silent: the caller falls back to another file.
bool CreateSettingsFileIfMissing(const wchar_t* path);
// True when the executable's drive is unknown, has no root, is removable or remote.
bool IsProgramDriveRemovable();

// Creates a new file (CREATE_NEW) that holds only the byte-order mark FF FE. A file whose
// mark could not be written is removed again: the profile functions would keep it as
// ANSI. True when the file was made with its mark. The settings file and the language
// files are made this way.
bool CreateUtf16File(const wchar_t* path, DWORD shareMode, DWORD attributes, SECURITY_ATTRIBUTES* security);
// The write of the byte-order mark, replaceable by tests: no disk under Wine can be made
// to refuse two bytes. Null restores WriteFile.
using FileWriteFn = BOOL(WINAPI*)(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);
void SetByteOrderMarkWriterForTest(FileWriteFn write);

// Tests keep the per-user data folder under a temporary folder: the given folder
// stands in for the user's profile. Empty text restores the real profile.
void SetProfileFolderForTest(const wchar_t* folder);

// ---------------------------------------------------------------------------------------
// Keys kept outside the settings object, all in section "Settings"

// "Language" of the file, or the default when it is missing or empty.
CString ReadLanguageSetting(const wchar_t* file, const wchar_t* defaultValue);
// The same from the file's "Settings" section, already read.
CString ReadLanguageSetting(const CIniSection& settings, const wchar_t* defaultValue);
// Writes "Language" and flushes the profile cache, so that other programs see it at once.
bool WriteLanguageSetting(const wchar_t* name, const wchar_t* file);
CString ReadLanguageFromSettingsFile(const wchar_t* defaultValue);

bool ReadWriteLog();
bool ReadWriteLogSetting(bool defaultValue, const wchar_t* file);
bool ReadWriteLogSetting(bool defaultValue, const CIniSection& settings);
bool WriteWriteLogSetting(bool value);

// True once the welcome program has run ("Welcome_Already_Started_V2_60" not 0).
bool IsWelcomeAlreadyStarted();

// True when HKCU "Software\Halvered\Vexlora" holds a non-empty "FromInstaller".
bool IsFromInstaller();

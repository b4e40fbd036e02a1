// Profile (INI) file access: thin wrappers of the platform's profile functions that
// keep the stored format of the settings and language files.
#pragma once

#include "core/base/CString.h"

// A null or empty value is written as an empty value: the key stays, with nothing after
// "=". Writers return whether the platform call succeeded.
bool IniWriteString(const wchar_t* file, const wchar_t* section, const wchar_t* key, const wchar_t* value);
bool IniWriteInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int value);
// True only when 1 to 259 characters were read (a longer value is cut to 259).
bool IniReadString(const wchar_t* file, const wchar_t* section, const wchar_t* key, CString& value);
int IniReadInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int defaultValue);
// Exact-case test of a key name in the section, whatever its value.
bool IniKeyExists(const wchar_t* file, const wchar_t* section, const wchar_t* key);
// Makes the platform write out and forget the files it keeps cached.
void IniFlushCache();

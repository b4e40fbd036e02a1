// Conversions between UTF-16 and 8-bit texts, in one place.
#pragma once

#include <windows.h>

#include <string>

// Conversions: empty for an empty or null input and for a text the system cannot convert.
// Malformed input is converted the system's way (U+FFFD for invalid UTF-8, for instance).

std::wstring AnsiToWide(const char* text);
std::wstring Utf8ToWide(const char* text);
std::wstring MultiByteToWideCP(const char* text, UINT codePage);
std::string WideToThreadAcp(const wchar_t* text);
std::string WideToUtf8(const wchar_t* text);

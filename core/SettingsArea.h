// The shared settings area that the editor and the welcome program read.
#pragma once

#include <windows.h>

#include <string>

// The XML text of the shared settings area (UTF-8, CR LF line breaks).
std::string BuildSettingsAreaXml(UINT hotkeyVk, UINT hotkeyModifiers, bool doublePress, const wchar_t* selectedText);
// Writes the hot key and the selected text for the editor and the welcome program.
// A selected text too long for the area is cut at a character boundary so that it
// fits (and an error line is logged): a stale text must never stand there instead.
// The mapping stays open for the life of the process.
bool WriteSettingsArea(UINT hotkeyVk, UINT hotkeyModifiers, bool doublePress, const wchar_t* selectedText);

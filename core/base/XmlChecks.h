// Checks made on an XML text from outside before TinyXML parses it, and the lock of the
// parser's process-wide settings.
//
// The parser descends one call level per element, so a text of many thousand nested
// elements would overflow the stack; and it takes a lead byte's count of bytes whatever
// follows, so bytes that are not UTF-8 can make it read past the ends of tags.
#pragma once

#include <windows.h>

#include <mutex>

// False as soon as the elements nest deeper than the limit; counted without building anything.
bool XmlNestingWithin(const char* text, int limit);
bool IsValidUtf8(const char* text, DWORD length);

// Held while the parser's white-space condensing, one flag for the whole process, is
// switched for a parse (XmlParseSettings.h), so that two threads cannot switch it back
// under each other.
std::mutex& XmlParseSettingsLock();

// Language files: INI-format UTF-16LE ".lng" files in the program folder that hold
// the translations of the user interface. Built-in English needs no file.
#pragma once

#include <vector>

#include "core/CString.h"

// Fills the list with an empty name first (built-in English), then the file names of
// the "*.lng" files of the program folder, sorted ignoring case; leaveOut (ignoring
// case, may be null) is not listed. True when at least one ".lng" file was found.
bool EnumLanguageFiles(std::vector<CString>& names, const wchar_t* leaveOut);

// "LangPrefix" of section "Main" (at most 9 characters, trailing blanks removed);
// empty when the file or the key is missing.
CString ReadLngPrefix(const wchar_t* path);

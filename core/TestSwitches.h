// Test switches: marker files whose mere presence turns a test mode on.
// Each switch is tested once per run; creating or deleting its file later in the run
// changes nothing until the next start.
//
// The table has no lock: callers must not use it from two threads at once.
#pragma once

#include <vector>

#include "core/base/CString.h"

// The update check's switch.
extern const wchar_t kUpdateVersionTestSwitch[];  // "UpdateVersion_Test.UpdateVersion_Test"

// A name without "\" is a file of the program folder; a name with "\" is a path.
// True when a file (not a folder) is there, as found at the first question.
bool IsTestFlagPresent(const wchar_t* name);
bool IsUpdateVersionTest();
// Empties the list, adds the known switch names and returns their number.
int FillTestFlagNames(std::vector<CString>& names);

// Tests: forgets every remembered answer.
void ResetTestFlagsForTest();

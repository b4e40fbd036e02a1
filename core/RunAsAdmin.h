// Restart as administrator: the elevated start of this program and the end of this
// instance.
#pragma once

#include <windows.h>

// The start call of a restart as administrator, replaceable by tests: Wine has no
// elevation prompt, so the refused road can only be reached through it.
using ElevatedStartFn = HINSTANCE (*)(HWND owner, const wchar_t* file, const wchar_t* parameters,
                                      const wchar_t* folder);
void SetElevatedStartForTest(ElevatedStartFn start);

namespace CAppObjects {
// Starts this program elevated with "/asadmin" and ends this instance; on failure the
// user is told why and this instance stays. True when the elevated start was launched.
bool RunAsAdmin(HWND owner);
}  // namespace CAppObjects

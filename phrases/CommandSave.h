// Saving a record on a worker thread (CVXLCommand's saves, phrases/Command.h): the saves
// that are still in flight.
#pragma once

#include <windows.h>

// Waits until every save started so far has finished; true when they did in time.
// Programs call it before they end, so that a usage count saved last is not lost.
bool WaitForPendingSaves(DWORD timeoutMs);
// Tests stand in for a system that cannot start one more thread.
void SetSaveThreadsFailForTest(bool fail);

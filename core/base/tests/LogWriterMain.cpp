// Test helper: a second process that writes numbered lines to a log.
// Usage: vxl_log_writer <log path> <tag> <count>
#include <windows.h>

#include <cstdlib>

#include "core/base/Logger.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    if (!LogInit(argv[1])) return 3;
    LogSetDefaultTag(argv[2]);
    int count = _wtoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        if (!LogWriteFormat(L"line %d of %s", i, argv[2])) return 4;
        // A line waits at most 5 s for its turn and is dropped after that: in bursts of 50
        // the two writers still meet at every line, without a queue so long that a slow
        // machine times the last lines out.
        if (i % 50 == 49 && !LogWaitPending(60000)) return 5;
    }
    return LogWaitPending(60000) ? 0 : 5;
}

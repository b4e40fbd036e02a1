#include "tools/ExitSignals.h"

#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"

bool OpenAndSetNamedEvent(const wchar_t* name) {
    CHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    return event && SetEvent(event.get());
}

int SignalMainProgramExit() {
    const int set = (OpenAndSetNamedEvent(kExitEventName) ? 1 : 0) + (OpenAndSetNamedEvent(kExitAllEventName) ? 1 : 0);
    return 2 - set;
}

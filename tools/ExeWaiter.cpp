#include "tools/ExeWaiter.h"

#include "core/base/CString.h"
#include "core/base/Logger.h"

const wchar_t* GetWaitResultName(int result) {
    switch (result) {
        case WTR_EXE_CLOSED_SUCCESS:
            return L"WTR_EXE_CLOSED_SUCCESS";
        case WTR_EXE_CLOSED_ABONDED:
            return L"WTR_EXE_CLOSED_ABONDED";
        case WTR_EVENT_EXIT_SIGNALED:
            return L"WTR_EVENT_EXIT_SIGNALED";
        default:
            return L"WTR_ERROR";
    }
}

int CExe_Waiter::Wait_Next() {
    if (!m_process) return WTR_ERROR;

    HANDLE handles[2] = {m_process, m_exitEvent};
    DWORD count = 2;
    if (!m_exitEvent) {
        LogError(L"Event for the command /exit NOT specified");
        count = 1;
    }
    const DWORD wait = WaitForMultipleObjects(count, handles, FALSE, INFINITE);

    int result = WTR_ERROR;
    CString handleName;
    if (wait == WAIT_OBJECT_0) {
        result = WTR_EXE_CLOSED_SUCCESS;
        handleName = L"H_PRC";
    } else if (wait == WAIT_OBJECT_0 + 1 && count == 2) {
        result = WTR_EVENT_EXIT_SIGNALED;
        handleName = L"H_EVENT_EXIT";
    } else if (wait >= WAIT_ABANDONED_0 && wait < WAIT_ABANDONED_0 + count) {
        result = WTR_EXE_CLOSED_ABONDED;
        handleName = L"WAIT_ABANDONED";
    } else {
        handleName.Format(L"%u", wait);
    }
    LogWrite(CString(L"CExe_Waiter::Wait_Next") + L" waitresult=" + handleName + L" enumresult=" +
             GetWaitResultName(result));
    return result;
}

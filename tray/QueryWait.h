// The main program's side of the query exchange with the hook library: the mapping and
// the two events the library writes and pulses, the worker thread that waits for a
// query, reads it, completes a missing selection by a copy and hands it to the tray
// window, and the copy of a target's selection through the clipboard.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "hooklib/QueryCodec.h"
#include "tray/TrayServices.h"

// Bytes of the query text read from the mapping at most.
const int kQueryTextMaxBytes = 409600;
// How long the tray window may take over a query before the worker gives up on it.
const UINT kQueryHandOverMs = 2000;
// The seventh failing wait in a thread's life ends it.
const int kQueryWaitErrorsTolerated = 6;

struct CWaitObjectNames {
    const wchar_t* mappingName;
    const wchar_t* dataNeededName;
    const wchar_t* dataCompletedName;
};
// "Local\$VEXLORA_INTERCHANGE_AREA$", "Local\Vexlora_DataNeeded", "Local\Vexlora_DataCompleted".
CWaitObjectNames GetDefaultWaitObjectNames();

namespace WPInterProcess {
// A paging-file mapping of the interchange size, read-write, open to every process of
// the user. Null on failure; the caller's last error is kept.
HANDLE CreateEmptyFileMapping(const wchar_t* name);
}  // namespace WPInterProcess

// A query and its answer as the worker hands them to the tray window. The worker may stop
// waiting for the window while its handler still runs, so both sides hold a reference
// and whichever lets go last frees the records.
class CQueryHandOver {
public:
    CWPQueryData query;
    CWPAnswerData answer;

    static CQueryHandOver* Create() { return new CQueryHandOver(); }
    void AddRef() { InterlockedIncrement(&m_refs); }
    void Release() {
        if (InterlockedDecrement(&m_refs) == 0) delete this;
    }

private:
    CQueryHandOver() = default;
    ~CQueryHandOver() = default;
    LONG m_refs = 1;
};

// The reference that came with a query message (its wParam), released at the end of the
// scope. Every receiver of the message takes it, handled or not.
class CQueryHandOverRef {
public:
    explicit CQueryHandOverRef(WPARAM message) : m_handOver(reinterpret_cast<CQueryHandOver*>(message)) {}
    ~CQueryHandOverRef() {
        if (m_handOver) m_handOver->Release();
    }
    CQueryHandOverRef(const CQueryHandOverRef&) = delete;
    CQueryHandOverRef& operator=(const CQueryHandOverRef&) = delete;
    CQueryHandOver* operator->() const { return m_handOver; }
    explicit operator bool() const { return m_handOver != nullptr; }

private:
    CQueryHandOver* m_handOver;
};

// What the worker waits on, in this order: the data-needed event, the application's exit
// event, the stop event of its wait objects. WAIT_OBJECT_0 + index, or a failure.
using QueryWaitProc = std::function<DWORD(DWORD count, const HANDLE* handles)>;
using SelectionCopyProc = std::function<CString(HWND target)>;

// The worker's context. Its handles are the worker's own duplicates, so the owners of the
// originals may close them at any time.
struct CWaitQueryContext {
    HWND trayWindow = nullptr;
    CHandle exitEvent;
    CHandle stopEvent;
    CHandle dataNeeded;
    CHandle dataCompleted;
    CString mappingName;
    UINT queryMessage = WM_APP + 3;
    UINT errorMessage = WM_APP + 18;
    QueryWaitProc wait;               // the system's wait when empty
    SelectionCopyProc copySelection;  // GetSelectedTextByCopy when empty
};

class CWaitQuery {
public:
    // Runs ThreadProc_WaitQuery on a thread that owns the context. False when no thread
    // started.
    static bool StartWaitThread(std::unique_ptr<CWaitQueryContext> context);
    // The loop; 1 when it ended on an error (then the error message was posted), else 0.
    static DWORD ThreadProc_WaitQuery(CWaitQueryContext& context);
};

// The mapping and the two events of the exchange. The tray window creates them at start
// and closes them at its end; closing them also ends the worker that waits on them.
class CVXL_Wait_Objs : public ITrayQueryExchange {
public:
    explicit CVXL_Wait_Objs(const CWaitObjectNames& names = GetDefaultWaitObjectNames());
    ~CVXL_Wait_Objs() override;
    CVXL_Wait_Objs(const CVXL_Wait_Objs&) = delete;
    CVXL_Wait_Objs& operator=(const CVXL_Wait_Objs&) = delete;

    // True when the mapping and both events exist; else nothing is left open.
    bool CreateWaitObjects() override;
    void CloseWaitObjects() override;
    // Starts a worker for these objects; one that is still running is stopped first.
    bool StartQueryThread(HWND window, HANDLE exitEvent, UINT queryMessage, UINT errorMessage) override;

    HANDLE DataNeeded() const { return m_dataNeeded.get(); }
    HANDLE DataCompleted() const { return m_dataCompleted.get(); }
    HANDLE Mapping() const { return m_mapping.get(); }

    // Seams for the worker's wait and copy; the system's when not set.
    void SetWaitProc(QueryWaitProc wait) { m_wait = std::move(wait); }
    void SetSelectionCopy(SelectionCopyProc copy) { m_copy = std::move(copy); }

private:
    void StopWorker();

    CWaitObjectNames m_names;
    CHandle m_dataNeeded;
    CHandle m_dataCompleted;
    CHandle m_mapping;
    CHandle m_workerStop;
    QueryWaitProc m_wait;
    SelectionCopyProc m_copy;
};

// The query text of the mapping, parsed into `query`. False for a missing mapping, an
// empty or unterminated text, or one that is not a WPQuery.
bool ReadQueryFromMapping(const wchar_t* mappingName, CWPQueryData& query);
// The answer text with its zero into the mapping. False, with nothing written, when the
// answer has no commands or the mapping cannot take it.
bool WriteAnswerToMapping(const CWPAnswerData& answer, const wchar_t* mappingName);
// A selection the library could not read (state 1, no text) is copied; true when the
// copy was asked for. A copied text sets the state to 2.
bool CompleteQuerySelection(CWPQueryData& query, const SelectionCopyProc& copy);
// "Received query:" and the fields, as logged for every query.
CString DescribeReceivedQuery(const CWPQueryData& query);

// The text a copy command in the target puts on the clipboard; empty when none came. The
// clipboard is emptied first, so an old text is never taken for the selection.
CString GetSelectedTextByCopy(HWND target);

// Saving a record on a worker thread.
//
// Each save works on a copy of the record taken when it is asked for, so the UI thread
// may change, sort or reload the tree at once. Saves run one at a time, and a save whose
// file already has a newer copy on its way leaves the file to that one: two quick usage
// saves of one phrase can never end with the older count on disk.
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

#include "core/base/Logger.h"
#include "core/base/TextHelpers.h"
#include "phrases/Command.h"
#include "phrases/CommandSave.h"

namespace {

const SIZE_T kSaveThreadStack = 256 * 1024;

struct SaveState {
    std::mutex lock;
    std::condition_variable idle;
    int pending = 0;
    bool failThreadsForTest = false;
    ULONGLONG lastGeneration = 0;
    struct Target {
        ULONGLONG newest = 0;   // the newest save asked for
        ULONGLONG written = 0;  // the newest save that reached the file
        int pending = 0;
    };
    // Upper-cased target path -> its saves; kept while any of them is on its way.
    std::map<CString, Target> targets;
    std::mutex writeLock;
};

SaveState& State() {
    static SaveState* state = new SaveState;  // never destroyed: workers may outlive main
    return *state;
}

struct SaveJob {
    CVXLCommand record;
    CString target;
    CString key;
    ULONGLONG generation = 0;
    CVXLWriteErrorProc onError = nullptr;
    void* data = nullptr;
};

// Workers may run in any order: only a copy newer than the one on disk is written, and
// one older than the newest asked for leaves the file to that one.
bool RunSaveJob(const SaveJob& job) {
    SaveState& state = State();
    std::lock_guard<std::mutex> write(state.writeLock);
    bool stale;
    {
        std::lock_guard<std::mutex> lock(state.lock);
        const SaveState::Target& target = state.targets[job.key];
        stale = job.generation < target.newest || job.generation <= target.written;
    }
    bool ok = stale || WriteCommandFile(job.record, job.target, job.onError, job.data);
    std::lock_guard<std::mutex> lock(state.lock);
    SaveState::Target& target = state.targets[job.key];
    if (ok && !stale) target.written = job.generation;
    if (--target.pending <= 0) state.targets.erase(job.key);
    return ok;
}

void FinishPending() {
    SaveState& state = State();
    std::lock_guard<std::mutex> lock(state.lock);
    if (--state.pending == 0) state.idle.notify_all();
}

DWORD WINAPI SaveThreadProc(void* parameter) {
    std::unique_ptr<SaveJob> job(static_cast<SaveJob*>(parameter));
    bool ok = false;
    try {
        ok = RunSaveJob(*job);
    } catch (...) {
        LogError(L"CVXLCommand::SaveAsync: the save worker failed");
    }
    job.reset();
    FinishPending();
    return ok ? 0 : 1;
}

int Refuse(const CVXLCommand& record, const CString& target, const wchar_t* reason, CVXLWriteErrorProc onError,
           void* data) {
    CString text;
    text.Format(L"CVXLCommand::SaveAsync: [%s] not saved: %s", target.GetString(), reason);
    LogError(text);
    if (onError) onError(record, target, text, data);
    return 0;
}

}  // namespace

int CVXLCommand::SaveAsync(CVXLWriteErrorProc onError, void* data) const {
    CString target = GetSaveTarget();
    if (target.IsEmpty()) return Refuse(*this, target, L"the record has no file path", onError, data);
    if (m_invalidText)
        return Refuse(*this, target, L"its file holds bytes that are not UTF-8 and would lose them", onError, data);

    auto job = std::make_unique<SaveJob>();
    job->record = MakeSaveCopy();
    job->target = target;
    job->key = MapToUpperCopy(target);
    job->onError = onError;
    job->data = data;

    SaveState& state = State();
    bool failThreads;
    {
        std::lock_guard<std::mutex> lock(state.lock);
        job->generation = ++state.lastGeneration;
        SaveState::Target& saves = state.targets[job->key];
        saves.newest = job->generation;
        ++saves.pending;
        ++state.pending;
        failThreads = state.failThreadsForTest;
    }
    if (!failThreads) {
        HANDLE thread = CreateThread(nullptr, kSaveThreadStack, SaveThreadProc, job.get(),
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread) {
            job.release();
            CloseHandle(thread);
            return 1;
        }
    }
    bool ok = RunSaveJob(*job);
    FinishPending();
    return ok ? 1 : 0;
}

bool WaitForPendingSaves(DWORD timeoutMs) {
    SaveState& state = State();
    std::unique_lock<std::mutex> lock(state.lock);
    return state.idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&state] { return state.pending == 0; });
}

void SetSaveThreadsFailForTest(bool fail) {
    SaveState& state = State();
    std::lock_guard<std::mutex> lock(state.lock);
    state.failThreadsForTest = fail;
}

// The one way the programs start a thread. The thread owns its context and frees it
// when its procedure returns; when no thread starts, the caller still has it, so no
// path leaks it or frees it twice.
//
// The one rule for stop events: a worker waits on its own duplicate of the event
// (DuplicateForWorker), never on the caller's handle, so the event's owner may close
// its handle whenever it likes without pulling it from under a running wait.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

#include "core/base/Handles.h"

// Stack reserve for a thread that only waits and hands on what it was woken for: the
// program stays resident all day, and every thread's reserve counts against it.
const SIZE_T kWaitingThreadStack = 64 * 1024;

struct WorkerOptions {
    // Bytes of stack to reserve; 0 takes the program's default.
    SIZE_T stack = 0;
    // Set before the thread runs its first instruction.
    int priority = THREAD_PRIORITY_NORMAL;
    // Leaves the thread suspended for the caller to ResumeThread: only with a `thread`
    // owner to resume it through.
    bool suspended = false;
};

// The caller's own copy of `event` for a worker to wait on; empty when there is none.
inline CHandle DuplicateForWorker(HANDLE event) {
    HANDLE copy = nullptr;
    if (!event ||
        !DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return CHandle();
    return CHandle(copy);
}

namespace worker_detail {

template <class T>
struct Start {
    T* context;
    DWORD (*proc)(T&);
};

template <class T>
DWORD WINAPI Run(void* parameter) {
    std::unique_ptr<Start<T>> start(static_cast<Start<T>*>(parameter));
    std::unique_ptr<T> context(start->context);
    return start->proc(*context);
}

}  // namespace worker_detail

// Runs proc(*context) on a new thread, which frees the context when proc returns. True
// when the thread started; `thread`, when given, receives its handle. False when it did
// not (or when a suspended thread has no owner): the context then stays with the
// caller, who may do the work itself; a temporary is freed with the statement.
template <class T>
bool StartWorker(std::unique_ptr<T>&& context, DWORD (*proc)(T&), const WorkerOptions& options = {},
                 CHandle* thread = nullptr) {
    if (!context || !proc || (options.suspended && !thread)) return false;
    auto start = std::make_unique<worker_detail::Start<T>>(worker_detail::Start<T>{context.get(), proc});
    const bool holdBack = options.suspended || options.priority != THREAD_PRIORITY_NORMAL;
    DWORD flags = holdBack ? CREATE_SUSPENDED : 0;
    if (options.stack) flags |= STACK_SIZE_PARAM_IS_A_RESERVATION;
    CHandle started(CreateThread(nullptr, options.stack, &worker_detail::Run<T>, start.get(), flags, nullptr));
    if (!started) return false;
    // The thread owns both from here, and may already have freed them.
    start.release();
    context.release();
    if (options.priority != THREAD_PRIORITY_NORMAL) SetThreadPriority(started.get(), options.priority);
    if (holdBack && !options.suspended) ResumeThread(started.get());
    if (thread) *thread = std::move(started);
    return true;
}

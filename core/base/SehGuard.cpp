#include "core/base/SehGuard.h"

#include <intrin.h>

namespace {

#if defined(__i386__)
// Layout of an x86 exception registration, followed by what the guard needs to
// resume. It must live on the thread's stack: the system checks that.
struct GuardFrame {
    GuardFrame* previous;
    void* handler;
    void* resume[5];  // __builtin_setjmp buffer
    DWORD code;
};

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*, void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    GuardFrame* volatile frame = static_cast<GuardFrame*>(establisher);
    frame->code = record->ExceptionCode;
    // Run the inner frames' unwind handlers; afterwards fs:[0] is our frame.
    // RtlUnwind does not keep the callee-saved registers, hence the volatile.
    RtlUnwind(establisher, nullptr, record, nullptr);
    __builtin_longjmp(frame->resume, 1);
}

__attribute__((noinline)) bool RunGuardedImpl(GuardedProc proc, void* context, DWORD* exceptionCode) {
    GuardFrame frame;
    frame.previous = reinterpret_cast<GuardFrame*>(__readfsdword(0));
    frame.handler = reinterpret_cast<void*>(&GuardHandler);
    frame.code = 0;
    if (__builtin_setjmp(frame.resume) == 0) {
        __writefsdword(0, reinterpret_cast<DWORD>(&frame));
        proc(context);
        __writefsdword(0, reinterpret_cast<DWORD>(frame.previous));
        if (exceptionCode) *exceptionCode = 0;
        return true;
    }
    __writefsdword(0, reinterpret_cast<DWORD>(frame.previous));
    if (exceptionCode) *exceptionCode = frame.code;
    return false;
}

#else
bool RunGuardedImpl(GuardedProc proc, void* context, DWORD* exceptionCode) {
    proc(context);
    if (exceptionCode) *exceptionCode = 0;
    return true;
}
#endif

}  // namespace

bool RunGuarded(GuardedProc proc, void* context, DWORD* exceptionCode) {
    return RunGuardedImpl(proc, context, exceptionCode);
}

const wchar_t* GetExceptionCodeName(DWORD code) {
    struct Name {
        DWORD code;
        const wchar_t* name;
    };
    static const Name names[] = {
        {EXCEPTION_ACCESS_VIOLATION, L"EXCEPTION_ACCESS_VIOLATION"},
        {EXCEPTION_BREAKPOINT, L"EXCEPTION_BREAKPOINT"},
        {EXCEPTION_DATATYPE_MISALIGNMENT, L"EXCEPTION_DATATYPE_MISALIGNMENT"},
        {EXCEPTION_SINGLE_STEP, L"EXCEPTION_SINGLE_STEP"},
        {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, L"EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
        {EXCEPTION_FLT_DENORMAL_OPERAND, L"EXCEPTION_FLT_DENORMAL_OPERAND"},
        {EXCEPTION_FLT_DIVIDE_BY_ZERO, L"EXCEPTION_FLT_DIVIDE_BY_ZERO"},
        {EXCEPTION_FLT_INEXACT_RESULT, L"EXCEPTION_FLT_INEXACT_RESULT"},
        {EXCEPTION_FLT_INVALID_OPERATION, L"EXCEPTION_FLT_INVALID_OPERATION"},
        {EXCEPTION_FLT_OVERFLOW, L"EXCEPTION_FLT_OVERFLOW"},
        {EXCEPTION_FLT_STACK_CHECK, L"EXCEPTION_FLT_STACK_CHECK"},
        {EXCEPTION_FLT_UNDERFLOW, L"EXCEPTION_FLT_UNDERFLOW"},
        {EXCEPTION_INT_DIVIDE_BY_ZERO, L"EXCEPTION_INT_DIVIDE_BY_ZERO"},
        {EXCEPTION_INT_OVERFLOW, L"EXCEPTION_INT_OVERFLOW"},
        {EXCEPTION_PRIV_INSTRUCTION, L"EXCEPTION_PRIV_INSTRUCTION"},
        {EXCEPTION_NONCONTINUABLE_EXCEPTION, L"EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    };
    for (const Name& entry : names)
        if (entry.code == code) return entry.name;
    return L"Not found";
}

CString FormatExceptionReport(const wchar_t* text, DWORD code) {
    CString report;
    report.Format(L"%s GetExceptionCode=%u status=[%s]", text ? text : L"", static_cast<unsigned>(code),
                  GetExceptionCodeName(code));
    return report;
}

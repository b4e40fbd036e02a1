// Runs code under a structured-exception handler, as __try/__except would.
//
// mingw's gcc has no __try/__except. The guard puts an exception registration on
// the thread's handler chain (fs:[0]), so that it is asked only after every inner
// handler declined, exactly like an __except frame; on an exception it unwinds the
// inner frames and resumes at the guard, which reports the exception code.
//
// Keep guarded bodies thin: C++ destructors of objects inside the faulting body do
// not run, and a C++ exception must not leave the body (the guard stops the process
// rather than let one pass over its registration).
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// The guard is built on the x86 handler chain. Only the 32-bit programs are shipped; in a
// build for another target (the test build on machines that cannot run 32-bit programs) the
// body runs unguarded and a fault ends the process.
#if defined(__i386__)
constexpr bool kGuardCatchesFaults = true;
#else
constexpr bool kGuardCatchesFaults = false;
#endif

using GuardedProc = void (*)(void* context);

// Returns true when proc returned normally; false when a structured exception
// ended it, with its code in *exceptionCode (when given).
bool RunGuarded(GuardedProc proc, void* context, DWORD* exceptionCode);

template <class Body>
bool RunGuarded(Body&& body, DWORD* exceptionCode) {
    auto trampoline = [](void* context) noexcept { (*static_cast<Body*>(context))(); };
    return RunGuarded(static_cast<GuardedProc>(trampoline), const_cast<void*>(static_cast<const void*>(&body)),
                      exceptionCode);
}

// The platform's constant name of an exception code, or "Not found".
const wchar_t* GetExceptionCodeName(DWORD code);

// "<text> GetExceptionCode=<code> status=[<name>]", the text that guards report.
CString FormatExceptionReport(const wchar_t* text, DWORD code);

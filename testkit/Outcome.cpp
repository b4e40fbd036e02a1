#include "testkit/Outcome.h"

#include <cstdarg>

namespace testkit {

CCheck CCheck::FailedF(const wchar_t* format, ...) {
    CString message;
    va_list args;
    va_start(args, format);
    message.FormatV(format, args);
    va_end(args);
    return Failed(message);
}

}  // namespace testkit

// A library by the hook library's name that exports no installation function.
#include <windows.h>

extern "C" __declspec(dllexport) HWND WP_GetTargetWindow() {
    return nullptr;
}

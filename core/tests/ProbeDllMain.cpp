// A DLL that exists only for its resources: the version tests read them.
#include <windows.h>

extern "C" __declspec(dllexport) int VxlProbe() {
    return 1;
}

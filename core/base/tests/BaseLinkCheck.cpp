// The entry of base_link_check.dll: the DLL exists only to be linked (see CMakeLists.txt).
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, void*) {
    return TRUE;
}

// The floor for a start: a window of its own and a message loop, nothing else.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VexloraBenchMinimal";
    RegisterClassW(&windowClass);
    CreateWindowW(L"VexloraBenchMinimal", L"minimal", WS_OVERLAPPED, -100, -100, 95, 95, nullptr, nullptr, instance,
                  nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

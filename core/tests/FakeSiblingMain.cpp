// Test helper: stands in for a sibling program (the editor, the waiter, the welcome
// program). It writes the command line it was given into "<its own path>.cmdline"
// (UTF-16 with byte-order mark) and runs until the event "Local\VxlFakeSiblingQuit" is
// set, as the real programs run until the user closes them; at most a minute.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH + 16] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 2;
    wchar_t partial[MAX_PATH + 16] = {};
    lstrcpyW(partial, path);
    lstrcatW(partial, L".partial");
    lstrcatW(path, L".cmdline");
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, L"Local\\VxlFakeSiblingQuit");

    const wchar_t* commandLine = GetCommandLineW();
    HANDLE file = CreateFileW(partial, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    const wchar_t mark = 0xFEFF;
    WriteFile(file, &mark, sizeof mark, &written, nullptr);
    WriteFile(file, commandLine, lstrlenW(commandLine) * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    // Renamed when whole, so that a reader never sees half a command line.
    if (!MoveFileExW(partial, path, MOVEFILE_REPLACE_EXISTING)) return 4;

    if (quit) WaitForSingleObject(quit, 60000);
    return 0;
}
